// `druvo check` says what a Start would refuse where the database folder cannot be changed:
// the same text, exit 2, and nothing made. Run as another user where the tests run as root.
#include <fcntl.h>
#include <gtest/gtest.h>
#include <sys/stat.h>
#include <sys/wait.h>
#include <unistd.h>

#include <vector>

#include "datafiles/journal.h"
#include "datafiles/record.h"
#include "datafiles/run_lock.h"
#include "run_fixture.h"
#include "sys/file_lock.h"

using namespace testing_support;

namespace {

// Runs the console program with its stdout and stderr into `outFile`, as the user "nobody"
// when the tests run as root (root may change any folder), else as this user. Exit code.
int RunAsAnotherUser(std::vector<std::string> args, const std::string& outFile) {
  std::string program = Program("druvo");
  const int out = open(outFile.c_str(), O_WRONLY | O_CREAT | O_TRUNC | O_CLOEXEC, 0644);
  const pid_t pid = fork();
  if (pid == 0) {
    const int in = open("/dev/null", O_RDONLY);
    if (out < 0 || in < 0 || dup2(in, 0) < 0 || dup2(out, 1) < 0 || dup2(out, 2) < 0) _exit(100);
    if (geteuid() == 0 && (setgid(65534) != 0 || setuid(65534) != 0)) _exit(101);
    std::vector<char*> argv{program.data()};
    for (std::string& a : args) argv.push_back(a.data());
    argv.push_back(nullptr);
    execv(program.c_str(), argv.data());
    _exit(127);
  }
  close(out);
  int status = 0;
  waitpid(pid, &status, 0);
  return WIFEXITED(status) ? WEXITSTATUS(status) : -1;
}

bool Has(const std::string& text, const std::string& part) { return text.find(part) != std::string::npos; }

}  // namespace

TEST(CheckAndRestore, CheckSaysWhatTheStartRefusesInAFolderThatCannotBeChanged) {
  RunFixture f;
  for (const std::string& folder : {f.dir.path(), f.root, f.prog}) chmod(folder.c_str(), 0755);
  ASSERT_EQ(chmod(f.db.c_str(), 0555), 0);
  const std::string out = f.dir / "out.txt";
  const std::vector<std::string> options = {"--customer", "4711", "--program-folder", f.prog,
                                            "--database-folder", f.db};
  auto command = [&](std::vector<std::string> first) {
    first.insert(first.end(), options.begin(), options.end());
    return first;
  };
  const std::string lockPath = druvo::RunLockPath(f.db);
  const std::string denied = "toegang geweigerd";

  // No lock file yet, and none can be made.
  EXPECT_EQ(RunAsAnotherUser(command({"check"}), out), 2);
  const std::string lockText = druvo::LockFailedText(lockPath, denied);
  EXPECT_TRUE(Has(ReadFile(out), "Vergrendeling: " + lockText)) << ReadFile(out);
  EXPECT_FALSE(Exists(lockPath));
  EXPECT_EQ(RunAsAnotherUser(command({"run", "--yes"}), out), 2);
  EXPECT_TRUE(Has(ReadFile(out), "[DRUVO] " + lockText)) << ReadFile(out);

  // A lock file every user may open, and a torn journal that cannot be removed; no record.
  sys::LockStatus status;
  std::string why;
  ASSERT_TRUE(sys::FileLock::Take(lockPath, status, why)) << why;
  const std::string journal = f.db + "\\" + druvo::kJournalFileName;
  WriteFile(f.Db(druvo::kJournalFileName), "DRUVO rename plan 1\nQWIMAPD.DAT\tQWIMAPD.13_1\n");
  EXPECT_EQ(RunAsAnotherUser(command({"check"}), out), 2);
  const std::string report = ReadFile(out);
  EXPECT_TRUE(Has(report, "Vergrendeling: vrij")) << report;
  EXPECT_TRUE(Has(report, druvo::UnfinishedPlanText("Kan " + journal + " niet opzij zetten: " + denied)))
      << report;
  EXPECT_TRUE(Has(report, "Record: kan " + f.db + "\\" + druvo::kRecordFileName +
                              " niet schrijven: " + denied))
      << report;
  EXPECT_EQ(RunAsAnotherUser(command({"run", "--yes"}), out), 2);
  EXPECT_TRUE(Has(ReadFile(out), "[DRUVO] " + druvo::UnfinishedPlanText("Kan " + journal + " niet opzij zetten")))
      << ReadFile(out);
  EXPECT_TRUE(Exists(f.Db(druvo::kJournalFileName)));
  chmod(f.db.c_str(), 0755);
}
