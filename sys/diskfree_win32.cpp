#include "sys/diskfree.h"

#include <windows.h>

namespace sys {

bool QueryDiskFree(const std::string& root, DiskFreeNumbers& out) {
  DWORD spc = 0, bps = 0, freeClusters = 0, total = 0;
  // The ANSI call, as the root path is plain ASCII ("D:\" or a share name).
  BOOL ok = GetDiskFreeSpaceA(root.c_str(), &spc, &bps, &freeClusters, &total);
  out.sectorsPerCluster = spc;
  out.bytesPerSector = bps;
  out.freeClusters = freeClusters;
  out.totalClusters = total;
  return ok != 0;
}

}  // namespace sys
