// Win32 calls that hand back a text of unknown length (a path, a folder, a variable's value),
// read into a buffer that grows until the text fits: nothing is cut at a fixed length, and
// no call is given a buffer shorter than it may write. Included by *_win32.cpp files only.
#pragma once

#include <windows.h>

#include <algorithm>
#include <cstddef>
#include <string>

namespace sys {

/// Calls `call(buffer, size)` with a growing buffer until its text fits, and puts the text
/// into `text`. `call` is of the common Win32 kind (GetCurrentDirectoryW, GetFullPathNameW,
/// GetEnvironmentVariableW, GetModuleFileNameW, ...): it returns the number of characters
/// written without the terminating null when they fitted, the size it needs (or, cut short,
/// the buffer's own size) when they did not, and 0 with an error set when it failed.
/// False on failure; GetLastError then tells why.
template <typename Call>
bool GrowToFit(std::wstring& text, Call call) {
  // The longest path the system handles is 32,767 characters; a call that asks for more
  // keeps failing rather than growing for ever.
  constexpr std::size_t kLimit = 1u << 16;
  std::wstring buffer(MAX_PATH + 1, L'\0');
  for (;;) {
    SetLastError(ERROR_SUCCESS);
    const DWORD n = call(buffer.data(), static_cast<DWORD>(buffer.size()));
    if (n == 0 && GetLastError() != ERROR_SUCCESS) return false;
    if (n < buffer.size()) {
      buffer.resize(n);
      text = std::move(buffer);
      return true;
    }
    if (buffer.size() >= kLimit) {
      SetLastError(ERROR_INSUFFICIENT_BUFFER);
      return false;
    }
    buffer.resize(std::min(kLimit, std::max<std::size_t>(std::size_t{n} + 1, buffer.size() * 2)));
  }
}

}  // namespace sys
