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
  const std::uint64_t unit = st.f_frsize ? st.f_frsize : st.f_bsize;
  out.availableBytes = static_cast<std::uint64_t>(st.f_bavail) * unit;
  out.totalBytes = static_cast<std::uint64_t>(st.f_blocks) * unit;
  return true;
}

}  // namespace sys
