#include "app/console/console_app.h"

#include <gtest/gtest.h>

#include <cstdio>
#include <filesystem>

#include "druvo_version.h"
#include "run_fixture.h"

using namespace druvo;
using testing_support::RunFixture;

namespace {

// Runs the front end in this process with its output caught in temporary files.
struct Console {
  std::FILE* out = std::tmpfile();
  std::FILE* err = std::tmpfile();
  std::FILE* in = std::tmpfile();
  ~Console() {
    std::fclose(out);
    std::fclose(err);
    std::fclose(in);
  }
  int Run(std::vector<std::string> args, bool interactive = false) {
    return ConsoleMain(args, out, err, in, interactive);
  }
  static std::string Read(std::FILE* f) {
    std::fflush(f);
    std::rewind(f);
    std::string s;
    char buf[4096];
    std::size_t n;
    while ((n = std::fread(buf, 1, sizeof buf, f)) > 0) s.append(buf, n);
    return s;
  }
  std::string Err() { return Read(err); }
  std::string Out() { return Read(out); }
};

std::vector<std::string> RunArgs(const RunFixture& f, std::vector<std::string> more) {
  std::vector<std::string> a = {"run", "--program-folder", f.prog, "--database-folder", f.db};
  a.insert(a.end(), more.begin(), more.end());
  return a;
}

}  // namespace

TEST(ConsoleFrontEnd, EveryRefusalExitsWithTwoAndItsMessage) {
  RunFixture f;
  struct Case {
    std::vector<std::string> args;
    const char* message;
  } cases[] = {
      {{"--yes"}, "Klantcode is verplicht !"},
      {{"--yes", "--customer", "7", "--program-folder", f.db},
       "Geen goede programma folder; vereist bestand ontbreekt"},
      {{"--yes", "--customer", "7", "--database-folder", f.prog},
       "Geen goede database folder; vereist bestand ontbreekt"},
      {{"--yes", "--customer", "7", "--admin", "*"},
       "Nummer administratie mag geen \\ / : * ? \" < > | bevatten !"},
      {{"--no", "--customer", "7"}, " Is dit correct ?"},
  };
  for (const Case& c : cases) {
    Console con;
    EXPECT_EQ(con.Run(RunArgs(f, c.args)), kExitRefused) << c.message;
    EXPECT_NE(con.Err().find(c.message), std::string::npos) << con.Err();
  }
  EXPECT_FALSE(std::filesystem::exists(f.Db("QWIMAPD.13")));
  EXPECT_FALSE(std::filesystem::exists(f.Prog("DRUVO.Log")));
}

TEST(ConsoleFrontEnd, UsageAndQuestionsWithoutATerminal) {
  RunFixture f;
  {
    Console con;
    EXPECT_EQ(con.Run({"run", "--direction", "12"}), kExitUsage);
    EXPECT_EQ(con.Run({"frobnicate"}), kExitUsage);
    EXPECT_EQ(con.Run({"run", "--yes", "--no"}), kExitUsage);
    EXPECT_EQ(con.Run({"run", "--customer"}), kExitUsage);
  }
  {
    Console con;
    EXPECT_EQ(con.Run(RunArgs(f, {"--customer", "7"}), false), kExitRefused);
    EXPECT_NE(con.Err().find("--yes of --no"), std::string::npos);
  }
  {
    // On a terminal the answers are read: "a" cancels the date question.
    Console con;
    std::fputs("a\n", con.in);
    std::rewind(con.in);
    EXPECT_EQ(con.Run(RunArgs(f, {"--customer", "7"}), true), kExitRefused);
    EXPECT_NE(con.Err().find("[antwoord] Annuleren"), std::string::npos);
  }
  EXPECT_FALSE(std::filesystem::exists(f.Db("QWIMAPD.13")));
}

TEST(ConsoleFrontEnd, WholeRunThenDeclinedRepeat) {
  RunFixture f;
  Console con;
  testing_support::SetEnv("DRUVO_SMTP_RELAY", "127.0.0.1:9");  // nothing listens there
  testing_support::SetEnv("DRUVO_HELPDESK", "helpdesk@druvo.example");
  int code = con.Run(RunArgs(f, {"--yes", "--customer", "4711"}));
  testing_support::UnsetEnv("DRUVO_SMTP_RELAY");
  testing_support::UnsetEnv("DRUVO_HELPDESK");
  // The demo's invalid numbers are reported as ERROR lines; the mail that went nowhere is
  // said and leaves the exit code alone.
  EXPECT_EQ(code, kExitCompletedWithErrors);
  EXPECT_TRUE(std::filesystem::exists(f.Db("QWIMAPD.13")));
  EXPECT_NE(con.Out().find("Abonnementen (1 van 32)"), std::string::npos);
  const std::string err = con.Err();
  EXPECT_NE(err.find("[status] Conversie voltooid; er zijn "), std::string::npos);
  EXPECT_NE(err.find("[DRUVO] Versturen email mislukt, Stuur een email naar helpdesk@druvo.example "
                     "en plak daarin deze info\n"),
            std::string::npos)
      << err;
  EXPECT_NE(err.find("[mail] "), std::string::npos);

  Console again;
  EXPECT_EQ(again.Run(RunArgs(f, {"--no", "--customer", "4711"})), kExitRefused);  // date: Cancel
  std::string answers = "o\nn\n";
  std::fputs(answers.c_str(), again.in);
  std::rewind(again.in);
  EXPECT_EQ(again.Run(RunArgs(f, {"--customer", "4711"}), true), kExitNotRun);
  EXPECT_FALSE(std::filesystem::exists(f.Db("QWIMAPD.13_1")));
}

TEST(ConsoleFrontEnd, ExitCodesForEveryOutcome) {
  EXPECT_EQ(ExitCodeFor(RunOutcome::kCompleted, 0), 0);
  EXPECT_EQ(ExitCodeFor(RunOutcome::kCompleted, 2), 1);
  EXPECT_EQ(ExitCodeFor(RunOutcome::kRefused, 0), 2);
  EXPECT_EQ(ExitCodeFor(RunOutcome::kNotConfirmed, 0), 2);
  EXPECT_EQ(ExitCodeFor(RunOutcome::kAbandoned, 0), 3);
  EXPECT_EQ(ExitCodeFor(RunOutcome::kNotRun, 5), 4);
  EXPECT_EQ(ExitCodeFor(RunOutcome::kEndedAtDiskQuestion, 0), 5);
  EXPECT_EQ(ExitCodeFor(RunOutcome::kRunLogFailed, 0), 6);
  EXPECT_EQ(ExitCodeFor(RunOutcome::kRunLogFailed, 3), 6);
}

TEST(ConsoleFrontEnd, HelpAndVersionGoToStdoutWithZero) {
  std::string help;
  for (const char* flag : {"--help", "-h"}) {
    Console con;
    EXPECT_EQ(con.Run({flag}), 0) << flag;
    help = con.Out();
    for (const char* command : {"druvo run ", "druvo check ", "druvo restore ", "druvo demo DIR"})
      EXPECT_NE(help.find(command), std::string::npos) << flag << ": " << command;
    EXPECT_NE(help.find("   7  another run holds the installation's lock\n"), std::string::npos);
    EXPECT_EQ(con.Err(), "");
  }
  {
    // Wrong usage shows the same text, on stderr.
    Console con;
    EXPECT_EQ(con.Run({}), kExitUsage);
    EXPECT_EQ(con.Err(), help);
    EXPECT_EQ(con.Out(), "");
  }
  Console con;
  EXPECT_EQ(con.Run({"--version"}), 0);
  EXPECT_EQ(con.Out(), std::string("DRUVO ") + DRUVO_VERSION + "\n");
}
