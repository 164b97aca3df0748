#include <windows.h>

#include "sys/diskfree.h"
#include "sys/wide_win32.h"

namespace sys {

bool QueryDiskFree(const std::string& folder, DiskFreeNumbers& out) {
  // GetDiskFreeSpaceExW takes any folder and measures the volume that holds it: a share
  // (\\server\share\...) or a folder with a volume mounted on it is measured itself, not
  // the drive letter in front of it. A share name needs its trailing backslash.
  std::wstring path = Widen(folder);
  if (!path.empty() && path.back() != L'\\' && path.back() != L'/') path += L'\\';
  ULARGE_INTEGER available{}, total{}, totalFree{};
  if (!GetDiskFreeSpaceExW(path.empty() ? nullptr : path.c_str(), &available, &total, &totalFree))
    return false;
  out.availableBytes = available.QuadPart;
  out.totalBytes = total.QuadPart;
  return true;
}

}  // namespace sys
