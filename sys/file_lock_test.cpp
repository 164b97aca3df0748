#include <gtest/gtest.h>

#include <filesystem>

#include "sys/file_lock.h"
#include "test_support.h"

// A lock file made read-only (by another user, or by hand) still locks: the lock needs no
// write access to it.
TEST(FileLock, AReadOnlyLockFileStillLocks) {
  testing_support::TempDir dir;
  const std::string path = dir / "DRUVO.LCK";
  testing_support::WriteFile(path, "");
  namespace fs = std::filesystem;
  fs::permissions(path, fs::perms::owner_read | fs::perms::group_read | fs::perms::others_read);
  sys::LockStatus status;
  std::string why;
  {
    const auto first = sys::FileLock::Take(path, status, why);
    ASSERT_TRUE(first) << why;
    EXPECT_FALSE(sys::FileLock::Take(path, status, why));
    EXPECT_EQ(status, sys::LockStatus::kHeld);
    EXPECT_EQ(sys::FileLock::Probe(path, why), sys::LockStatus::kHeld);
  }
  EXPECT_EQ(sys::FileLock::Probe(path, why), sys::LockStatus::kTaken) << why;
  fs::permissions(path, fs::perms::owner_write, fs::perm_options::add);
}
