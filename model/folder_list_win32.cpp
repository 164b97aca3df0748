#include <windows.h>

#include "model/folder_list.h"
#include "sys/wide_win32.h"

namespace druvo {

namespace {

std::string FullPathOf(const std::wstring& path) {
  DWORD n = GetFullPathNameW(path.c_str(), 0, nullptr, nullptr);
  if (n == 0) return {};
  std::wstring buf(n, L'\0');
  n = GetFullPathNameW(path.c_str(), n, buf.data(), nullptr);
  buf.resize(n);
  return sys::Narrow(buf);
}

}  // namespace

// "D:" alone names the folder that the system keeps as current on drive D (the drive's
// root when none was set), which is the folder a drive change opens.
std::string CurrentFolderOnDrive(const std::string& drive) {
  return FullPathOf(sys::Widen(drive.substr(0, 2)));
}

std::string FullFolderPath(const std::string& folder) { return FullPathOf(sys::Widen(folder)); }

}  // namespace druvo
