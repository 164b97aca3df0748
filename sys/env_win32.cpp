#include "sys/env.h"

#include <windows.h>

#include "sys/wide_win32.h"

namespace sys {

std::string EnvironmentEntry(int position) {
  if (position < 1) return {};
  wchar_t* block = GetEnvironmentStringsW();
  if (!block) return {};
  std::string result;
  int index = 0;
  for (const wchar_t* p = block; *p; p += wcslen(p) + 1) {
    // Entries starting with "=" are the per-drive folders, not variables.
    if (*p == L'=') continue;
    if (++index == position) {
      result = Narrow(p);
      break;
    }
  }
  FreeEnvironmentStringsW(block);
  return result;
}

std::optional<std::string> GetVariable(const std::string& name) {
  std::wstring wname = Widen(name);
  DWORD n = GetEnvironmentVariableW(wname.c_str(), nullptr, 0);
  if (n == 0) {
    if (GetLastError() == ERROR_ENVVAR_NOT_FOUND) return std::nullopt;
    return std::string();
  }
  std::wstring value(n, L'\0');
  n = GetEnvironmentVariableW(wname.c_str(), value.data(), n);
  value.resize(n);
  return Narrow(value);
}

std::string WorkingDirectory() {
  DWORD n = GetCurrentDirectoryW(0, nullptr);
  std::wstring buf(n, L'\0');
  n = GetCurrentDirectoryW(n, buf.data());
  buf.resize(n);
  return Narrow(buf);
}

}  // namespace sys
