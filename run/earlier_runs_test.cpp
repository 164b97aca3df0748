#include <gtest/gtest.h>

#include <filesystem>

#include "app/console/console_app.h"
#include "datafiles/record.h"
#include "datafiles/run_lock.h"
#include "run/earlier_runs.h"
#include "run/start_checks.h"
#include "run/start_command.h"
#include "run_fixture.h"
#include "sys/file_lock.h"

using namespace druvo;
using testing_support::NextStart;
using testing_support::ReadFile;
using testing_support::RunFixture;
using testing_support::WriteFile;

namespace fs = std::filesystem;

namespace {

const char kComplete[] = "Conversie is al volledig gedaan ! \r\n\r\nVolledig herhalen ?";
const char kPartial[] = "Conversie is reeds gedeeltelijk gedaan !\r\n\r\nOpnieuw ?";

}  // namespace

TEST(EarlierRuns, NoMarkerRunsOnWithNothingShown) {
  RunFixture f;
  WriteFile(f.Db("QWIMAPD.10"), "marker of the other direction");
  WriteFile(f.Db("QWIMAPD.Log"), "ERROR: old log\r\n");
  f.view.answers = {Answer::kOk};
  ASSERT_TRUE(StartChecks(f.w));
  EXPECT_EQ(DetectEarlierRuns(f.w), RunDecision::kRun);
  EXPECT_EQ(f.view.boxes.size(), 1u);
  EXPECT_EQ(f.w.LogViewText(), "");
  EXPECT_EQ(f.w.errorCount, 0);
}

TEST(EarlierRuns, CompleteRepeatKeepsEveryOriginalByte) {
  RunFixture f;
  const std::string original = ReadFile(f.Db("QWIMAPD.DAT"));
  const std::string originalWork = ReadFile(f.Db("QMVWORK/QWOMISWT.dat"));
  f.Start();
  const std::string converted = ReadFile(f.Db("QWIMAPD.DAT"));
  ASSERT_NE(converted, original);

  NextStart second(f);
  second.view.answers = {Answer::kOk, Answer::kYes};
  ClickStart(second.w);
  ASSERT_EQ(second.view.boxes.size(), 3u);  // date, repeat, and the mail that went nowhere
  EXPECT_EQ(second.view.boxes[1].text, kComplete);
  EXPECT_EQ(second.view.boxes[1].buttons, Buttons::kYesNo);
  EXPECT_EQ(second.w.outcome, RunOutcome::kCompleted);
  // The converted file was set aside under _1, the marker put back and converted again.
  EXPECT_EQ(ReadFile(f.Db("QWIMAPD.13_1")), converted);
  EXPECT_EQ(ReadFile(f.Db("QWIMAPD.13")), original);
  EXPECT_EQ(ReadFile(f.Db("QWIMAPD.DAT")), converted);
  EXPECT_EQ(ReadFile(f.Db("QMVWORK/QWOMISWT.13")), originalWork);
  // The earlier logs were shown and counted before the new run's.
  EXPECT_GT(second.w.errorCount, f.w.errorCount);

  NextStart third(f);
  third.view.answers = {Answer::kOk, Answer::kYes};
  ClickStart(third.w);
  EXPECT_EQ(ReadFile(f.Db("QWIMAPD.13_2")), converted);
  EXPECT_EQ(ReadFile(f.Db("QWIMAPD.13_1")), converted);
  EXPECT_EQ(ReadFile(f.Db("QWIMAPD.13")), original);
}

TEST(EarlierRuns, DeclinedRepeatStillCompletesWithoutSummary) {
  RunFixture f;
  f.Start();
  const std::string converted = ReadFile(f.Db("QWIMAPD.DAT"));
  NextStart second(f);
  second.view.answers = {Answer::kOk, Answer::kNo};
  ClickStart(second.w);
  EXPECT_EQ(second.w.outcome, RunOutcome::kNotRun);
  EXPECT_EQ(second.view.Text(Control::txtBezig), kComplete);
  EXPECT_EQ(ReadFile(f.Db("QWIMAPD.DAT")), converted);
  EXPECT_FALSE(fs::exists(f.Db("QWIMAPD.13_1")));
  // The old logs are in the view, the run log and on the clipboard; Stop is enabled.
  EXPECT_NE(second.w.LogViewText().find("ERROR"), std::string::npos);
  EXPECT_EQ(ReadFile(f.Prog("DRUVO.Log")), second.w.LogViewText() + "\r\n");
  EXPECT_EQ(second.view.clipboard, second.w.LogViewText());
  EXPECT_TRUE(second.view.IsEnabled(Control::btnCancel));
}

TEST(EarlierRuns, PartialAndAlreadyDone) {
  RunFixture f;
  f.Start();
  fs::remove(f.Db("QWIMAPD.13"));
  {
    NextStart s(f);
    s.view.answers = {Answer::kOk, Answer::kYes};
    ClickStart(s.w);
    ASSERT_EQ(s.view.boxes.size(), 3u);
    EXPECT_EQ(s.view.boxes[1].text, kPartial);
    // The markers were set aside and every present file converted again.
    EXPECT_TRUE(fs::exists(f.Db("QWAOMVSQ.13_1")));
    EXPECT_TRUE(fs::exists(f.Db("QWAOMVSQ.13")));
    EXPECT_TRUE(fs::exists(f.Db("QWIMAPD.13")));
  }
  // More markers than data files: already done, OK only, nothing converted.
  fs::remove(f.Db("QWIMAPD.DAT"));
  {
    NextStart s(f);
    s.view.answers = {Answer::kOk};
    ClickStart(s.w);
    ASSERT_EQ(s.view.boxes.size(), 3u);
    EXPECT_EQ(s.view.boxes[1].text, "Conversie is al gedaan !");
    EXPECT_EQ(s.view.boxes[1].buttons, Buttons::kOk);
    EXPECT_EQ(s.w.outcome, RunOutcome::kNotRun);
    EXPECT_FALSE(fs::exists(f.Db("QWAOMVSQ.13_2")));
  }
}

TEST(EarlierRuns, ErrorsOfTheEarlierLogsCountInTheSummary) {
  RunFixture f;
  for (auto& e : fs::recursive_directory_iterator(f.db)) {
    if (e.is_regular_file() && e.path().filename() != "TRWMIX.DAT") fs::remove(e.path());
  }
  WriteFile(f.Db("QWIMAPD.DAT"), "9780306406157;converted\r\n");
  WriteFile(f.Db("QWIMAPD.13"), "0306406152;earlier state\r\n");
  ASSERT_TRUE(AppendRecord(f.db, "13", "QWIMAPD.DAT", *FingerprintOf(f.Db("QWIMAPD.13"))));
  WriteFile(f.Db("QWIMAPD.Log"), "ERROR: 1\r\nok\r\nERROR: 2\r\nerror: 3\r\n");
  f.view.answers = {Answer::kOk, Answer::kYes};
  f.Start();
  EXPECT_EQ(f.w.errorCount, 3);
  EXPECT_EQ(f.view.Text(Control::txtBezig), "Conversie voltooid; er zijn 3  fouten gesignaleerd");
  EXPECT_EQ(ReadFile(f.Db("QWIMAPD.13")), "0306406152;earlier state\r\n");
  EXPECT_EQ(ReadFile(f.Db("QWIMAPD.13_1")), "9780306406157;converted\r\n");
}

TEST(RunLock, AStartWhileAnotherRunHoldsTheLockTouchesNothing) {
  RunFixture f;
  sys::LockStatus status;
  std::string why;
  const auto other = sys::FileLock::Take(RunLockPath(f.db), status, why);
  ASSERT_TRUE(other) << why;
  f.Start();
  ASSERT_FALSE(f.view.boxes.empty());
  EXPECT_EQ(f.view.boxes.back().text, "Er loopt al een conversie op deze database !");
  EXPECT_EQ(f.view.boxes.back().buttons, Buttons::kOk);
  EXPECT_EQ(f.w.outcome, RunOutcome::kLocked);
  EXPECT_TRUE(f.view.IsEnabled(Control::btnStart));
  EXPECT_TRUE(f.view.IsEnabled(Control::btnCancel));
  EXPECT_FALSE(fs::exists(f.Db("QWIMAPD.13")));
  EXPECT_FALSE(fs::exists(f.Prog("DRUVO.Log")));
}

// A marker that no longer matches its record is not put back, and the loop leaves its entry
// alone: that entry is not converted, so it has an ERROR line, the summary counts it and the
// console program exits 1.
TEST(EarlierRuns, AnEntryLeftUnconvertedIsAnError) {
  RunFixture f;
  for (auto& e : fs::recursive_directory_iterator(f.db)) {
    if (e.is_regular_file() && e.path().filename() != "TRWMIX.DAT") fs::remove(e.path());
  }
  WriteFile(f.Db("QWIMAPD.DAT"), "0306406152;boek\r\n");
  f.Start();
  ASSERT_EQ(f.w.errorCount, 0);
  WriteFile(f.Db("QWIMAPD.13"), "0306406152;boek\r\n0306406152;later\r\n");

  NextStart second(f);
  second.view.answers = {Answer::kOk, Answer::kYes};
  ClickStart(second.w);
  const std::string log = second.w.LogViewText();
  EXPECT_NE(log.find("ERROR: QWIMAPD.DAT is niet omgezet: QWIMAPD.13 wordt niet teruggezet, het is niet de "
                     "inhoud van QWIMAPD.DAT van voor de conversie (35 bytes, verwacht 17 bytes); QWIMAPD.DAT "
                     "blijft staan\r\n"),
            std::string::npos)
      << log;
  EXPECT_NE(log.find("Omgezet: 0 van 32 bestanden; niet aanwezig: 31; niet omgezet: 1"), std::string::npos);
  EXPECT_EQ(second.w.errorCount, 1);
  EXPECT_EQ(second.view.Text(Control::txtBezig), "Conversie voltooid; er zijn 1  fouten gesignaleerd");
  EXPECT_EQ(ExitCodeFor(second.w.outcome, second.w.errorCount), 1);
}
