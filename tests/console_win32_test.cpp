// The console program under Windows, started as a process: a data file the host still holds
// open, folders longer than the system's own path limit.
#include <gtest/gtest.h>

#include <filesystem>
#include <map>
#include <string>

#include "datafiles/run_lock.h"
#include "sys/fs.h"
#include "test_support.h"
#include "tools/process_platform.h"

using namespace testing_support;
namespace fs = std::filesystem;

namespace {

// Relative path -> bytes of every file below a folder but the run's lock file, which a Start
// makes before its checks of the files.
std::map<std::string, std::string> Files(const std::string& root) {
  std::map<std::string, std::string> files;
  for (const auto& e : fs::recursive_directory_iterator(fs::path(root)))
    if (e.is_regular_file() && e.path().filename() != druvo::kLockFileName)
      files[fs::relative(e.path(), root).generic_string()] = ReadFile(e.path().string());
  return files;
}

}  // namespace

// QMV.EXE still holds a data file open: the Start is refused before anything is touched, and
// the message names the file.
TEST(ConsoleWin32, DataFileHeldByTheHostRefusesTheStart) {
  TempDir dir;
  const std::string root = dir / "demo";
  ASSERT_EQ(RunConsoleProgram("demo " + Quote(root)), 0);
  const std::string prog = root + "\\QMV", db = root + "\\DATA", ready = dir / "held";
  const auto before = Files(root);
  auto host =
      druvo::StartProcess({prog + "\\QMV.EXE", {"--hold", db + "\\QWIMAPD.DAT", "60000", ready}});
  ASSERT_TRUE(host);
  for (int i = 0; i < 200 && !Exists(ready); ++i) host->Pause(50);
  ASSERT_TRUE(Exists(ready)) << "QMV.EXE does not hold the file";

  const std::string err = dir / "err.txt";
  EXPECT_EQ(RunConsoleProgram("run --yes --customer 1 --program-folder " + Quote(prog) +
                                  " --database-folder " + Quote(db),
                              "", err),
            2);
  EXPECT_NE(ReadFile(err).find("QWIMAPD.DAT is in gebruik door een ander programma. Sluit QMV af "
                               "en druk opnieuw op Start."),
            std::string::npos)
      << ReadFile(err);
  fs::remove(ready);  // QMV.EXE lets go
  for (int i = 0; i < 100 && host->Query() == druvo::StartedProcess::State::kRunning; ++i)
    host->Pause(50);
  EXPECT_EQ(host->Query(), druvo::StartedProcess::State::kEnded);
  EXPECT_TRUE(Files(root) == before) << "the installation changed";
}

// A program folder of 300 characters (a database folder of 301, its work folder of 309): the
// run makes them current and starts the utility from there. Every run must end as a run
// ends, with its exit code and its run log, however often it is tried.
TEST(ConsoleWin32, ProgramFolderOf300CharactersRunsToItsEnd) {
  TempDir dir;
  const std::string outer = dir.path() + "\\" + std::string(120, 'a');
  ASSERT_TRUE(sys::MakeFolder(outer));
  SetEnv("DRUVO_SMTP_RELAY", "127.0.0.1:9");
  for (char run : {'1', '2', '3'}) {
    // A fresh installation each time, at a path of the same length.
    std::string root = outer + "\\";
    root += std::string(300 - root.size() - 5, 'b') + run;
    const std::string prog = root + "\\QMV";
    ASSERT_EQ(prog.size(), 300u);
    ASSERT_EQ(RunConsoleProgram("demo " + Quote(root)), 0);
    const std::string out = dir / "out.txt", err = dir / "err.txt";
    const int code = RunConsoleProgram("run --yes --customer 1 --program-folder " + Quote(prog) +
                                           " --database-folder " + Quote(root + "\\DATA"),
                                       out, err);
    EXPECT_EQ(code, 1) << "run " << run << ", stderr:\n" << ReadFile(err);
    const std::string log = ReadFile(prog + "\\DRUVO.Log");
    EXPECT_NE(log.find("Conversie voltooid"), std::string::npos) << "run " << run << ": " << log;
  }
  UnsetEnv("DRUVO_SMTP_RELAY");
  // The C runtime's removal of the temporary folder stops at MAX_PATH: shorten the paths first.
  EXPECT_TRUE(sys::RenameNoReplace(outer, dir / "a").ok());
}
