#include <gtest/gtest.h>

#include <filesystem>

#include "own_files_test_util.h"

// A folder at one of DRUVO's own names refuses every command before anything is touched.
TEST(OwnFiles, AFolderAtAnOwnNameRefusesStartRestoreAndCheck) {
  testing_support::RunFixture f;
  for (const char* name : {"DRUVO.LCK", "DRUVO.JNL", "DRUVO.REC"}) {
    std::filesystem::create_directory(f.Db(name));
    ownfilestest::ExpectEveryCommandRefused(f, name, "een map");
    std::filesystem::remove(f.Db(name));
  }
}
