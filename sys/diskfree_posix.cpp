#include "sys/diskfree.h"

#include <sys/statvfs.h>

namespace sys {

bool QueryDiskFree(const std::string& root, DiskFreeNumbers& out) {
  // Every drive letter is the one root of the POSIX tree; a path of its own (a share
  // name such as "\\server\share") is measured where it is mounted, if anywhere.
  std::string path = "/";
  if (root.size() > 2 && (root[0] == '\\' || root[0] == '/') && (root[1] == '\\' || root[1] == '/')) {
    path = root;
    for (char& c : path) if (c == '\\') c = '/';
  }
  struct statvfs st;
  if (statvfs(path.c_str(), &st) != 0) return false;
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
