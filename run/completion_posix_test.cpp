#include <gtest/gtest.h>
#include <unistd.h>

#include "run/start_command.h"
#include "run_fixture.h"

using namespace druvo;

// A run log that meets a full disk half-way (here /dev/full, which takes nothing) is
// said with its Dutch reason, not taken for written.
TEST(RunCompletion, RunLogOnAFullDisk) {
  testing_support::RunFixture f;
  f.view.answers = {Answer::kOk};
  ASSERT_TRUE(StartChecks(f.w));
  ASSERT_EQ(symlink("/dev/full", f.Prog("DRUVO.Log").c_str()), 0);
  f.w.tolerantMode = true;
  CompleteRun(f.w, Summary::kCompleted);
  EXPECT_NE(f.w.LogViewText().find("DRUVO.Log niet schrijven: schijf vol"),
            std::string::npos);
  EXPECT_EQ(f.w.outcome, RunOutcome::kRunLogFailed);
  EXPECT_FALSE(f.w.mailResult.empty());
}
