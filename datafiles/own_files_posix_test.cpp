#include <gtest/gtest.h>
#include <sys/stat.h>
#include <unistd.h>

#include "own_files_test_util.h"

// A dangling link or a FIFO at one of DRUVO's own names refuses every command at once:
// nothing is made at a link's target or waited on. (A link to a file: own_files_test.cpp.)
TEST(OwnFiles, ADanglingLinkOrFifoAtAnOwnNameRefusesStartRestoreAndCheck) {
  testing_support::RunFixture f;
  const std::string dangling = f.dir / "made";
  for (const char* name : {"DRUVO.LCK", "DRUVO.JNL", "DRUVO.REC"}) {
    const std::string at = f.Db(name);
    ASSERT_EQ(symlink(dangling.c_str(), at.c_str()), 0);
    ownfilestest::ExpectEveryCommandRefused(f, name, "een symbolische koppeling");
    ASSERT_EQ(unlink(at.c_str()), 0);
    ASSERT_EQ(mkfifo(at.c_str(), 0666), 0);
    ownfilestest::ExpectEveryCommandRefused(f, name, "een pipe (FIFO)");
    ASSERT_EQ(unlink(at.c_str()), 0);
  }
  EXPECT_FALSE(testing_support::Exists(dangling));
}
