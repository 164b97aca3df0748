#include "sys/env.h"

#include <windows.h>

#include "sys/grow_win32.h"
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
  const std::wstring wname = Widen(name);
  std::wstring value;
  if (!GrowToFit(value, [&](wchar_t* buf, DWORD size) {
        return GetEnvironmentVariableW(wname.c_str(), buf, size);
      }))
    return GetLastError() == ERROR_ENVVAR_NOT_FOUND ? std::nullopt : std::optional<std::string>("");
  return Narrow(value);
}

std::string WorkingDirectory() {
  std::wstring folder;
  if (!GrowToFit(folder, [](wchar_t* buf, DWORD size) { return GetCurrentDirectoryW(size, buf); }))
    return {};
  return Narrow(folder);
}

}  // namespace sys
