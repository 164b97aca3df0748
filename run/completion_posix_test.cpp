#include <gtest/gtest.h>
#include <signal.h>
#include <sys/resource.h>
#include <sys/stat.h>
#include <unistd.h>

#include <functional>

#include "run/completion.h"
#include "run/start_checks.h"
#include "run_fixture.h"

using namespace druvo;
using testing_support::Exists;
using testing_support::ReadFile;
using testing_support::WriteFile;

// A run log that cannot be written is said with its reason, never taken for written: a write
// that fails half-way (here the file-size limit) leaves no run log and no half-made file, and
// a link or a FIFO at its name is refused at once, the link's target untouched. The mail goes
// all the same.
TEST(RunCompletion, RunLogThatCannotBeWritten) {
  testing_support::RunFixture f;
  const std::string runLog = f.Prog("DRUVO.Log");
  const std::string target = f.dir / "elsewhere";
  WriteFile(target, "not DRUVO's\n");
  struct Case {
    const char* what;
    std::function<void()> make;
    const char* said;
    rlim_t fileSizeLimit;  // 0: none
  };
  const Case cases[] = {
      {"link", [&] { ASSERT_EQ(symlink(target.c_str(), runLog.c_str()), 0); },
       "is een symbolische koppeling, geen gewoon bestand", 0},
      {"fifo", [&] { ASSERT_EQ(mkfifo(runLog.c_str(), 0666), 0); }, "is een pipe (FIFO), geen gewoon bestand", 0},
      {"half-way", [] {}, "", 4096},  // the log view holds twice that
  };
  for (const Case& c : cases) {
    testing_support::NextStart s(f);
    s.view.answers = {Answer::kOk};
    ASSERT_TRUE(StartChecks(s.w));
    c.make();
    s.w.tolerantMode = true;
    s.w.LogAppend(std::string(8192, 'x'));
    rlimit old{};
    getrlimit(RLIMIT_FSIZE, &old);
    rlimit limit = old;
    if (c.fileSizeLimit != 0) limit.rlim_cur = c.fileSizeLimit;
    const auto signalBefore = signal(SIGXFSZ, SIG_IGN);
    setrlimit(RLIMIT_FSIZE, &limit);
    CompleteRun(s.w, Summary::kCompleted);
    setrlimit(RLIMIT_FSIZE, &old);
    signal(SIGXFSZ, signalBefore);
    if (c.fileSizeLimit != 0) {
      EXPECT_FALSE(Exists(runLog));
    }
    EXPECT_NE(s.w.LogViewText().find("DRUVO.Log niet schrijven: " + std::string(c.said)), std::string::npos)
        << c.what;
    EXPECT_EQ(s.w.outcome, RunOutcome::kRunLogFailed) << c.what;
    EXPECT_FALSE(s.w.mailResult.empty()) << c.what;
    EXPECT_FALSE(Exists(runLog + ".new1")) << c.what;
    unlink(runLog.c_str());
  }
  EXPECT_EQ(ReadFile(target), "not DRUVO's\n");
}
