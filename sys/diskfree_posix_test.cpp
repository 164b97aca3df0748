#include <gtest/gtest.h>
#include <sys/statvfs.h>

#include <filesystem>
#include <string>

#include "sys/diskfree.h"
#include "test_support.h"

namespace {

std::string AsWindowsPath(const std::string& posix) {
  std::string p = "D:" + posix;
  for (char& c : p)
    if (c == '/') c = '\\';
  return p;
}

}  // namespace

// The query measures the folder's own file system: a temporary folder and, where it is a
// file system of its own, /dev/shm. Given in the Windows form, as the run passes it.
TEST(DiskFree, MeasuresTheFoldersOwnFileSystem) {
  testing_support::TempDir dir;
  for (const std::string& folder : {dir.path(), std::string("/dev/shm")}) {
    if (!std::filesystem::is_directory(folder)) continue;
    struct statvfs st;
    ASSERT_EQ(statvfs(folder.c_str(), &st), 0);
    sys::DiskFreeNumbers n;
    ASSERT_TRUE(sys::QueryDiskFree(AsWindowsPath(folder), n)) << folder;
    EXPECT_EQ(n.totalBytes, std::uint64_t{st.f_blocks} * st.f_frsize) << folder;
    // Others may write to the same file system meanwhile.
    EXPECT_NEAR(static_cast<double>(n.availableBytes),
                static_cast<double>(st.f_bavail) * static_cast<double>(st.f_frsize),
                static_cast<double>(st.f_blocks) * static_cast<double>(st.f_frsize) / 100)
        << folder;
  }
  sys::DiskFreeNumbers none;
  EXPECT_FALSE(sys::QueryDiskFree(dir / "missing", none));
}
