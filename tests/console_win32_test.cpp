// The console program under Windows, started as a process: folders longer than the system's
// own path limit.
#include <gtest/gtest.h>

#include <string>

#include "sys/fs.h"
#include "test_support.h"

using namespace testing_support;

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
