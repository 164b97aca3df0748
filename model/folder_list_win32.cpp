#include <windows.h>

#include "model/folder_list.h"
#include "sys/grow_win32.h"
#include "sys/wide_win32.h"

namespace druvo {

namespace {

std::string FullPathOf(const std::wstring& path) {
  std::wstring full;
  if (!sys::GrowToFit(full, [&](wchar_t* buf, DWORD size) {
        return GetFullPathNameW(path.c_str(), size, buf, nullptr);
      }))
    return {};
  return sys::Narrow(full);
}

}  // namespace

// "D:" alone names the folder that the system keeps as current on drive D (the drive's
// root when none was set), which is the folder a drive change opens.
std::string CurrentFolderOnDrive(const std::string& drive) {
  return FullPathOf(sys::Widen(drive.substr(0, 2)));
}

std::string FullFolderPath(const std::string& folder) { return FullPathOf(sys::Widen(folder)); }

}  // namespace druvo
