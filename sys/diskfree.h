// The free space of a folder's volume, as the four numbers of Windows' GetDiskFreeSpace.
#pragma once

#include <cstdint>
#include <string>

namespace sys {

struct DiskFreeNumbers {
  std::uint64_t sectorsPerCluster = 0;
  std::uint64_t bytesPerSector = 0;
  std::uint64_t freeClusters = 0;
  std::uint64_t totalClusters = 0;
};

/// Queries the volume that holds a folder ("D:\Data", "\\server\share\data", a folder on
/// which another volume is mounted) or a drive root ("D:\"); an empty text means the
/// current folder. The free clusters are those the program may use (quotas counted).
/// On POSIX the folder is read as every path is (X: is the root) and measured by statvfs,
/// whose numbers are mapped to sectors of 512 bytes (or of the fragment size when that is
/// not a multiple of 512) and clusters of the fragment size.
bool QueryDiskFree(const std::string& folder, DiskFreeNumbers& out);

}  // namespace sys
