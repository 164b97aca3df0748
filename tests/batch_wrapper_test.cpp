// With the probe asking for it, every file goes through the batch wrapper, with the
// program folder as its fourth argument; no file is handed to the utility directly.
#include <gtest/gtest.h>

#include <filesystem>

#include "run_fixture.h"
#include "sys/text.h"
#include "tools/log_view.h"

using namespace druvo;
using namespace testing_support;
namespace fs = std::filesystem;

TEST(BatchWrapper, EveryFileGoesThroughItWithTheProgramFolderFourth) {
  RunFixture f;
  // A wrapper that only writes down how it was called, in the folder it runs in.
#ifdef _WIN32
  WriteFile(f.Prog("RCXB.BAT"), "@echo %1 %2 %3 %~4>> wrapper.txt\r\n");
#else
  WriteFile(f.Prog("RCXB.BAT"), "#!/bin/sh\necho \"$1 $2 $3 $4\" >> wrapper.txt\n");
  fs::permissions(f.Prog("RCXB.BAT"), fs::perms::owner_all, fs::perm_options::add);
#endif
  SetEnv("RCX_PROBE_ERROR", "20");
  f.Start();
  UnsetEnv("RCX_PROBE_ERROR");

  std::vector<std::string> calls = SplitLines(ReadFile(f.Db("wrapper.txt")));
  std::vector<std::string> work = SplitLines(ReadFile(f.Db("QMVWORK/wrapper.txt")));
  ASSERT_EQ(calls.size(), 21u);  // entries 0-19 and 31
  ASSERT_EQ(work.size(), 11u);   // entries 20-30, in the work folder
  EXPECT_EQ(text::Trim(calls[0]), "N QWIMAPD.DAT 13 " + f.prog);
  EXPECT_EQ(text::Trim(calls[20]), "N QWIEAPUA.DAT 13 " + f.prog);
  EXPECT_EQ(text::Trim(work[0]), "N QWOMISWT.DAT 13 " + f.prog);
  // The utility itself converted nothing: no file was handed to it directly.
  EXPECT_FALSE(fs::exists(f.Db("QWIMAPD.13")));
}
