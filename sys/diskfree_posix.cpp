#include <sys/statvfs.h>

#include "sys/diskfree.h"
#include "sys/fs.h"

namespace sys {

bool QueryDiskFree(const std::string& folder, DiskFreeNumbers& out) {
  // The folder itself is measured, so a database folder on a file system of its own
  // (a mount, a share mounted here) shows that file system's space.
  auto path = ResolveExisting(folder.empty() ? "." : folder);
  struct statvfs st;
  if (!path || statvfs(path->c_str(), &st) != 0) return false;
  std::uint64_t frag = st.f_frsize ? st.f_frsize : st.f_bsize;
  if (frag % 512 == 0) {
    out.bytesPerSector = 512;
    out.sectorsPerCluster = frag / 512;
  } else {
    out.bytesPerSector = frag;
    out.sectorsPerCluster = 1;
  }
  out.freeClusters = st.f_bavail;
  out.totalClusters = st.f_blocks;
  return true;
}

}  // namespace sys
