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
  const wchar_t* name = path.empty() ? nullptr : path.c_str();
  ULARGE_INTEGER available{}, total{}, totalFree{};
  if (!GetDiskFreeSpaceExW(name, &available, &total, &totalFree)) return false;

  // The cluster size comes from the same volume's root; where it cannot be read, the
  // common 4096-byte cluster stands in (the figure only gets coarser or finer).
  DWORD sectors = 8, bytes = 512, freeClusters = 0, clusters = 0;
  // The volume's root is a leading part of the folder's full path, a "\" added at most: a
  // buffer of the full path's size and a margin never cuts it, however long the folder.
  const wchar_t* of = name ? name : L".";
  std::wstring volume(std::size_t{GetFullPathNameW(of, 0, nullptr, nullptr)} + MAX_PATH, L'\0');
  if (!GetVolumePathNameW(of, volume.data(), static_cast<DWORD>(volume.size())) ||
      !GetDiskFreeSpaceW(volume.c_str(), &sectors, &bytes, &freeClusters, &clusters) ||
      sectors == 0 || bytes == 0) {
    sectors = 8;
    bytes = 512;
  }
  const std::uint64_t cluster = std::uint64_t{sectors} * bytes;
  out.sectorsPerCluster = sectors;
  out.bytesPerSector = bytes;
  out.freeClusters = available.QuadPart / cluster;
  out.totalClusters = total.QuadPart / cluster;
  return true;
}

}  // namespace sys
