// The console program itself, started as a process: demo installation, then a whole run.
#include <gtest/gtest.h>

#include <cstdlib>
#include <filesystem>

#include "sys/fs.h"
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
  // Exit code 1 comes from the demo's own ERROR lines; every entry is still converted.
  EXPECT_NE(ReadFile(dir / "demo map/QMV/DRUVO.Log").find("Omgezet: 32 van 32 bestanden"),
            std::string::npos);
  EXPECT_TRUE(Exists(dir / "demo map/QMV/LMPR10.EXE"));

  // --no answers the date question with Cancel: nothing more happens.
  EXPECT_EQ(RunConsoleProgram("run --no --customer 4711" + common), 2);
  UnsetEnv("DRUVO_SMTP_RELAY");
}

// Folders given relative to the installation's root convert the same files in the same way
// as full paths, and the run log lands in the program folder meant.
TEST(EndToEnd, RelativeFoldersRunAsFullPaths) {
  TempDir dir;
  CurrentFolderGuard guard;
  SetEnv("DRUVO_SMTP_RELAY", "127.0.0.1:9");
  const std::string full = dir / "full";
  const std::string relative = dir / "relative";
  for (const std::string& root : {full, relative})
    ASSERT_EQ(RunConsoleProgram("demo " + Quote(root)), 0);
  const int fullCode =
      RunConsoleProgram("run --yes --customer 4711 --program-folder " + Quote(full + "/QMV") +
                        " --database-folder " + Quote(full + "/DATA"));
  ASSERT_TRUE(sys::SetCurrentFolder(relative));
  EXPECT_EQ(
      RunConsoleProgram("run --yes --customer 4711 --program-folder QMV --database-folder DATA"),
      fullCode);
  UnsetEnv("DRUVO_SMTP_RELAY");

  int files = 0;
  for (const auto& e : fs::recursive_directory_iterator(fs::path(full) / "DATA")) {
    if (!e.is_regular_file()) continue;
    const fs::path rel = fs::relative(e.path(), fs::path(full));
    EXPECT_TRUE(ReadFile((fs::path(relative) / rel).string()) == ReadFile(e.path().string()))
        << rel << " differs";
    ++files;
  }
  EXPECT_GT(files, 64);  // data files, markers and logs
  EXPECT_TRUE(Exists(relative + "/QMV/DRUVO.Log"));
  EXPECT_FALSE(Exists(relative + "/DATA/DRUVO.Log"));
}
