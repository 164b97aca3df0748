// The console program itself, started as a process: demo installation, then a whole run.
#include <gtest/gtest.h>

#include <cstdlib>
#include <filesystem>

#include "test_support.h"

using namespace testing_support;
namespace fs = std::filesystem;

TEST(EndToEnd, ConsoleProgramConvertsADemoInstallation) {
  TempDir dir;
  const std::string root = dir / "demo map";
  ASSERT_EQ(RunConsoleProgram("demo " + Quote(root)), 0);
  const std::string prog = (fs::path(root) / "QMV").string();
  const std::string db = (fs::path(root) / "DATA").string();
  const std::string common = " --program-folder " + Quote(prog) + " --database-folder " + Quote(db);

  // A refusal touches nothing.
  EXPECT_EQ(RunConsoleProgram("run --yes" + common), 2);
  EXPECT_FALSE(Exists(dir / "demo map/DATA/QWIMAPD.13"));

  // The mail goes nowhere (a closed loopback port); the run completes, with the demo's
  // invalid numbers as ERROR lines.
  SetEnv("DRUVO_SMTP_RELAY", "127.0.0.1:9");
  EXPECT_EQ(RunConsoleProgram("run --yes --customer 4711" + common), 1);
  EXPECT_TRUE(Exists(dir / "demo map/DATA/QWIMAPD.13"));
  EXPECT_TRUE(Exists(dir / "demo map/DATA/QMVWORK/QWOJJPSI.13"));
  EXPECT_TRUE(Exists(dir / "demo map/QMV/DRUVO.Log"));
  EXPECT_TRUE(Exists(dir / "demo map/QMV/LMPR10.EXE"));

  // --no answers the date question with Cancel: nothing more happens.
  EXPECT_EQ(RunConsoleProgram("run --no --customer 4711" + common), 2);
  UnsetEnv("DRUVO_SMTP_RELAY");
}
