#include <gtest/gtest.h>

#include <filesystem>
#include <functional>
#include <stdexcept>

#include "app/console/console_app.h"
#include "run/completion.h"
#include "run/start_checks.h"
#include "run_fixture.h"
#include "sys/fs.h"

using namespace druvo;
using testing_support::ReadFile;
using testing_support::RunFixture;
using testing_support::WriteFile;

namespace fs = std::filesystem;

namespace {

// A window past its start checks, without running the loop: completion alone.
struct Completion : RunFixture {
  Completion() {
    view.answers = {Answer::kOk};
    EXPECT_TRUE(StartChecks(w));
    w.services.now = [] { return sys::LocalDateTime{2026, 12, 7, 9, 4, 3, 0}; };
  }
};

}  // namespace

TEST(RunCompletion, SummaryTexts) {
  {
    Completion c;
    CompleteRun(c.w, Summary::kCompleted);
    EXPECT_EQ(c.view.Text(Control::txtBezig), " Conversie voltooid...");
    // Two blanks between the time and the word, and no line break after it.
    const std::string log = c.w.LogViewText();
    EXPECT_TRUE(log.ends_with("\r\n7-12-2026 09:04:03  Conversie voltooid...")) << log;
  }
  {
    Completion c;
    c.w.errorCount = 3;
    CompleteRun(c.w, Summary::kCompleted);
    EXPECT_EQ(c.view.Text(Control::txtBezig), "Conversie voltooid; er zijn 3  fouten gesignaleerd");
  }
  {
    Completion c;
    CompleteRun(c.w, Summary::kAbandoned);
    EXPECT_EQ(c.view.Text(Control::txtBezig), " Conversie afgebroken...");
  }
  {
    Completion c;
    c.view.SetText(Control::txtBezig, "Conversie is al gedaan !");
    CompleteRun(c.w, Summary::kNone);
    EXPECT_EQ(c.view.Text(Control::txtBezig), "Conversie is al gedaan !");
    // The swap is made, and said, also after a run that converted nothing.
    EXPECT_EQ(c.w.LogViewText(), "\r\nLabelprogramma gewisseld: LMPR.EXE is nu LMPR10.EXE, LMPR13.EXE is nu LMPR.EXE "
                                 "(er is in deze run niets omgezet)");
  }
}

TEST(RunCompletion, LabelToolSwap) {
  {
    Completion c;
    const std::string lmpr = "label tool for ISBN-10";
    const std::string lmpr13 = "label tool for EAN-13";
    WriteFile(c.Prog("LMPR.EXE"), lmpr);
    WriteFile(c.Prog("LMPR13.EXE"), lmpr13);
    CompleteRun(c.w, Summary::kCompleted);
    EXPECT_EQ(ReadFile(c.Prog("LMPR10.EXE")), lmpr);
    EXPECT_EQ(ReadFile(c.Prog("LMPR.EXE")), lmpr13);
    EXPECT_FALSE(fs::exists(c.Prog("LMPR13.EXE")));
  }
  for (const char* missing : {"LMPR.EXE", "LMPR13.EXE"}) {
    Completion c;
    fs::remove(c.Prog(missing));
    CompleteRun(c.w, Summary::kCompleted);
    EXPECT_FALSE(fs::exists(c.Prog("LMPR10.EXE"))) << missing;
  }
  {
    // LMPR10.EXE already there: it is never replaced, and LMPR13.EXE cannot take the name of
    // the LMPR.EXE that stayed. Nothing is lost.
    Completion c;
    WriteFile(c.Prog("LMPR10.EXE"), "older label tool");
    const std::string lmpr = "label tool for ISBN-10";
    const std::string lmpr13 = "label tool for EAN-13";
    WriteFile(c.Prog("LMPR.EXE"), lmpr);
    WriteFile(c.Prog("LMPR13.EXE"), lmpr13);
    CompleteRun(c.w, Summary::kCompleted);
    EXPECT_EQ(ReadFile(c.Prog("LMPR10.EXE")), "older label tool");
    EXPECT_EQ(ReadFile(c.Prog("LMPR.EXE")), lmpr);
    EXPECT_EQ(ReadFile(c.Prog("LMPR13.EXE")), lmpr13);
    EXPECT_NE(c.w.LogViewText().find("\r\nERROR: Labelprogramma niet gewisseld: LMPR10.EXE staat in de weg (er "
                                     "wordt niets overschreven)\r\n7-12-2026 09:04:03 Conversie voltooid; er zijn 1  "
                                     "fouten gesignaleerd"),
              std::string::npos) << c.w.LogViewText();
  }
}

TEST(RunCompletion, ClipboardRunLogFolderMailAndStop) {
  Completion c;
  WriteFile(c.Prog("DRUVO.Log"), std::string(100000, 'o'));  // replaced, not extended
  c.w.LogAppend("caf\xC3\xA9 \xE2\x82\xAC\r\nregel 2");
  CompleteRun(c.w, Summary::kCompleted);
  const std::string text = c.w.LogViewText();
  EXPECT_EQ(c.view.clipboard, text);
  std::string expected = "caf\xE9 \x80\r\nregel 2\r\nLabelprogramma gewisseld: LMPR.EXE is nu LMPR10.EXE, LMPR13.EXE is "
                         "nu LMPR.EXE (er is in deze run niets omgezet)\r\n7-12-2026 09:04:03  Conversie voltooid...\r\n";
  EXPECT_EQ(ReadFile(c.Prog("DRUVO.Log")), expected);
  EXPECT_TRUE(fs::equivalent(sys::CurrentFolder(), c.prog));
  // Nothing listens at the relay: the transfer log is the result, and the failure is said.
  EXPECT_FALSE(c.w.mailResult.empty());
  EXPECT_NE(c.w.mailResult, "Message sent successfully!");
  ASSERT_EQ(c.view.boxes.size(), 2u);  // the date question, then the mail's failure
  EXPECT_EQ(c.view.boxes[1].text,
            "Versturen email mislukt, Stuur een email naar helpdesk@druvo.example en plak daarin "
            "deze info");
  EXPECT_TRUE(c.view.IsEnabled(Control::btnCancel));
  EXPECT_FALSE(c.view.IsEnabled(Control::btnStart));
}

TEST(RunCompletion, RunLogThatCannotBeWrittenIsSaidAndTheMailStillGoes) {
  for (bool tolerant : {false, true}) {
    Completion c;
    fs::create_directory(c.Prog("DRUVO.Log"));  // a folder in the way
    c.w.tolerantMode = tolerant;
    CompleteRun(c.w, Summary::kCompleted);
    const std::string line = "\r\nKan " + c.w.sExePath + "\\DRUVO.Log niet schrijven: is een map";
    const std::string text = c.w.LogViewText();
    ASSERT_NE(text.find(line), std::string::npos) << text;
    EXPECT_EQ(c.w.outcome, RunOutcome::kRunLogFailed);
    EXPECT_TRUE(fs::equivalent(sys::CurrentFolder(), c.prog));
    EXPECT_FALSE(c.w.mailResult.empty());  // sent (to a relay where nothing listens)
    EXPECT_TRUE(c.view.IsEnabled(Control::btnCancel));
  }
}

// A failure nobody foresaw, thrown where the first utility call begins, ends the command
// without locking the window: the run is over, Stop is enabled and the box says what failed.
TEST(RunCompletion, UnforeseenFailureEndsTheCommandAndSaysWhat) {
  struct Case {
    std::function<void()> fail;
    const char* said;
  };
  const Case cases[] = {
      {[] { throw std::runtime_error("schijf weg"); }, "schijf weg"},
      {[] { throw 7; }, "onbekende fout"},
  };
  for (const Case& c : cases) {
    RunFixture f;
    f.w.services.beforeChange = [&](std::string_view what) {
      if (what == "utility started") c.fail();
    };
    EXPECT_NO_THROW(f.Start());
    EXPECT_FALSE(f.w.runActive);
    EXPECT_TRUE(f.w.CanClose());
    EXPECT_TRUE(f.view.IsEnabled(Control::btnCancel));
    ASSERT_EQ(f.view.boxes.size(), 2u);  // the date question, then the failure
    EXPECT_EQ(f.view.boxes[1].text,
              std::string("De verwerking is gestopt door een onverwachte fout: ") + c.said);
    EXPECT_EQ(f.view.boxes[1].buttons, Buttons::kOk);
    EXPECT_EQ(ExitCodeFor(f.w.outcome, f.w.errorCount), kExitUnforeseen);  // the console's 8
  }
}
