#include <gtest/gtest.h>
#include <sys/stat.h>
#include <unistd.h>

#include "own_files_test_util.h"

using testing_support::ReadFile;
using testing_support::WriteFile;

// A link (to a file, or dangling) or a FIFO at one of DRUVO's own names refuses every command
// at once: nothing is followed, made at a link's target, or waited on.
TEST(OwnFiles, ALinkOrFifoAtAnOwnNameRefusesStartRestoreAndCheck) {
  testing_support::RunFixture f;
  const std::string target = f.dir / "target";
  WriteFile(target, "not DRUVO's\n");
  const std::string dangling = f.dir / "made";
  for (const char* name : {"DRUVO.LCK", "DRUVO.JNL", "DRUVO.REC"}) {
    const std::string at = f.Db(name);
    ASSERT_EQ(symlink(target.c_str(), at.c_str()), 0);
    ownfilestest::ExpectEveryCommandRefused(f, name, "een symbolische koppeling");
    ASSERT_EQ(unlink(at.c_str()), 0);
    ASSERT_EQ(symlink(dangling.c_str(), at.c_str()), 0);
    ownfilestest::ExpectEveryCommandRefused(f, name, "een symbolische koppeling");
    ASSERT_EQ(unlink(at.c_str()), 0);
    ASSERT_EQ(mkfifo(at.c_str(), 0666), 0);
    ownfilestest::ExpectEveryCommandRefused(f, name, "een pipe (FIFO)");
    ASSERT_EQ(unlink(at.c_str()), 0);
  }
  EXPECT_EQ(ReadFile(target), "not DRUVO's\n");
  EXPECT_FALSE(testing_support::Exists(dangling));
}
