// The free space of a folder's volume.
#pragma once

#include <cstdint>
#include <string>

namespace sys {

struct DiskFreeNumbers {
  std::uint64_t availableBytes = 0;  // what this user may still write (quotas counted)
  std::uint64_t totalBytes = 0;
};

/// Queries the volume that holds a folder ("D:\Data", "\\server\share\data", a folder on
/// which another volume is mounted) or a drive root ("D:\"); an empty text means the
/// current folder. On POSIX the folder is read as every path is (X: is the root) and
/// measured by statvfs. False when the system cannot say.
bool QueryDiskFree(const std::string& folder, DiskFreeNumbers& out);

}  // namespace sys
