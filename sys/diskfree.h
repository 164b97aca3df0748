// The free space of a drive, as the four numbers of Windows' GetDiskFreeSpaceA.
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

/// Queries the drive whose root is given ("D:\"). On POSIX the root is "/" for every
/// drive letter, and statvfs's numbers are mapped to sectors of 512 bytes (or of the
/// fragment size when that is not a multiple of 512) and clusters of the fragment size.
bool QueryDiskFree(const std::string& root, DiskFreeNumbers& out);

}  // namespace sys
