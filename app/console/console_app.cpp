#include "app/console/console_app.h"

#include <exception>
#include <functional>

#include "app/console/console_view.h"
#include "druvo_version.h"
#include "hostsim/demo.h"
#include "run/check.h"
#include "run/restore.h"
#include "run/start_command.h"

namespace druvo {

namespace {

// The one usage text: `--help` prints it to stdout, wrong usage to stderr.
const char kUsage[] =
    "usage: druvo run [--customer NR] [--direction 13|10] [--admin XX]\n"
    "                 [--program-folder DIR] [--database-folder DIR] [--yes | --no]\n"
    "           performs one Start command, as the window's Start button does\n"
    "       druvo check [--customer NR] [--direction 13|10] [--admin XX]\n"
    "                   [--program-folder DIR] [--database-folder DIR]\n"
    "           reports what a Start would find; changes nothing\n"
    "       druvo restore [--customer NR] [--direction 13|10] [--admin XX]\n"
    "                     [--program-folder DIR] [--database-folder DIR] [--yes | --no]\n"
    "           puts the database back as it was before the first conversion in the\n"
    "           chosen direction, from its markers\n"
    "       druvo demo DIR\n"
    "           writes a demo installation into DIR\n"
    "       druvo --help | -h\n"
    "       druvo --version\n"
    "\n"
    "exit codes:\n"
    "   0  completed without ERROR lines\n"
    "   1  completed with ERROR lines (restore: some entry could not be restored)\n"
    "   2  refused by a start check or date not confirmed\n"
    "   3  abandoned by the disk-space check\n"
    "   4  repeat declined or already done (check: the conversion is already done;\n"
    "      restore: nothing to restore)\n"
    "   5  ended at the disk-space question\n"
    "   6  completed but the run log could not be written\n"
    "   7  another run holds the installation's lock\n"
    "   8  ended by a failure it did not foresee (its text on stderr)\n"
    "  64  wrong usage\n"
    " 130  run: ended by Ctrl-C after the file in hand, with the summary, run log and mail\n"
    "      (a second Ctrl-C ends DRUVO at once; the utility still finishes its file)\n";

struct RunOptions {
  std::string customer;
  std::string direction = "13";
  bool adminGiven = false;
  std::string admin;
  bool programGiven = false;
  std::string programFolder;
  bool databaseGiven = false;
  std::string databaseFolder;
  ConsoleAnswers answers = ConsoleAnswers::kAsk;
};

bool Parse(const std::vector<std::string>& args, RunOptions& o, std::string& error) {
  for (std::size_t i = 1; i < args.size(); ++i) {
    const std::string& a = args[i];
    auto value = [&](std::string& into) {
      if (i + 1 >= args.size()) {
        error = a + " mist een waarde";
        return false;
      }
      into = args[++i];
      return true;
    };
    if (a == "--customer") {
      if (!value(o.customer)) return false;
    } else if (a == "--direction") {
      if (!value(o.direction)) return false;
      if (o.direction != "13" && o.direction != "10") {
        error = "--direction is 13 of 10";
        return false;
      }
    } else if (a == "--admin") {
      if (!value(o.admin)) return false;
      o.adminGiven = true;
    } else if (a == "--program-folder") {
      if (!value(o.programFolder)) return false;
      o.programGiven = true;
    } else if (a == "--database-folder") {
      if (!value(o.databaseFolder)) return false;
      o.databaseGiven = true;
    } else if (a == "--yes" || a == "--no") {
      ConsoleAnswers want = a == "--yes" ? ConsoleAnswers::kYes : ConsoleAnswers::kNo;
      if (o.answers != ConsoleAnswers::kAsk && o.answers != want) {
        error = "--yes en --no gaan niet samen";
        return false;
      }
      o.answers = want;
    } else {
      error = "onbekende optie " + a;
      return false;
    }
  }
  return true;
}

// The window's boxes as the options give them, after the load step.
void FillWindow(MainWindow& w, ConsoleView& view, const RunOptions& o) {
  view.SetText(Control::txtExtensie, "AT");
  w.Load();
  view.SetText(Control::txtKlantId, o.customer);
  if (o.adminGiven) view.SetText(Control::txtExtensie, o.admin);
  // The commands take the folders from the boxes, as the window's Start does.
  if (o.programGiven) view.SetText(Control::txtExePath, o.programFolder);
  if (o.databaseGiven) view.SetText(Control::txtDatabasePath, o.databaseFolder);
  view.option1 = o.direction == "13";
}

bool ParseOrSayUsage(const std::vector<std::string>& args, RunOptions& o, std::FILE* err) {
  std::string error;
  if (Parse(args, o, error)) return true;
  std::fprintf(err, "druvo: %s\n%s", error.c_str(), kUsage);
  return false;
}

bool CanAnswer(const RunOptions& o, std::FILE* err, bool interactive) {
  if (o.answers != ConsoleAnswers::kAsk || interactive) return true;
  std::fprintf(err, "[DRUVO] Geen terminal om vragen te beantwoorden: geef --yes of --no mee\n");
  return false;
}

// A failure the command did not foresee (an exception) ends it as the window ends a Start
// command: its text on stderr, exit code 2. The program's own end passes through.
int Guarded(View& view, const std::function<int()>& command) {
  std::string what;
  try {
    return command();
  } catch (const ProgramEnded&) {
    throw;
  } catch (const std::exception& e) {
    what = e.what();
  } catch (...) {
  }
  view.Ask(UnforeseenFailureText(what), Buttons::kOk);
  return kExitUnforeseen;
}

// A command that may ask questions: the options parsed, questions refused without a
// terminal, then `command` on a window filled from the options. With `interrupts`, a
// Ctrl-C during the command asks it to stop after the file in hand.
int OnWindow(const std::vector<std::string>& args, std::FILE* out, std::FILE* err, std::FILE* in,
             bool interactive, Interrupts* interrupts,
             const std::function<int(MainWindow&)>& command) {
  RunOptions o;
  if (!ParseOrSayUsage(args, o, err)) return kExitUsage;
  if (!CanAnswer(o, err, interactive)) return kExitRefused;
  ConsoleView view(o.answers, out, err, in);
  MainWindow w(view);
  FillWindow(w, view, o);
  if (!interrupts) return Guarded(view, [&] { return command(w); });
  view.interrupts = interrupts;
  w.services.stopRequested = [interrupts] { return interrupts->StopRequested(); };
  interrupts->StopAfterFile();
  const int code = Guarded(view, [&] { return command(w); });
  interrupts->EndAtOnce();
  return code;
}

int Run(const std::vector<std::string>& args, std::FILE* out, std::FILE* err, std::FILE* in,
        bool interactive, Interrupts* interrupts) {
  return OnWindow(args, out, err, in, interactive, interrupts, [&](MainWindow& w) {
    ClickStart(w);
    std::fprintf(out, "\n");
    std::fflush(out);
    // Only a run that reached its completion sent the mail.
    const bool mailed = w.outcome == RunOutcome::kCompleted || w.outcome == RunOutcome::kAbandoned ||
                        w.outcome == RunOutcome::kNotRun || w.outcome == RunOutcome::kRunLogFailed ||
                        w.outcome == RunOutcome::kInterrupted;
    if (mailed) {
      std::fprintf(err, "[mail] %s\n",
                   w.mailResult.empty() ? "(niet verstuurd)" : w.mailResult.c_str());
    }
    return ExitCodeFor(w.outcome, w.errorCount);
  });
}

int Check(const std::vector<std::string>& args, std::FILE* out, std::FILE* err) {
  RunOptions o;
  if (!ParseOrSayUsage(args, o, err)) return kExitUsage;
  if (o.answers != ConsoleAnswers::kAsk) {
    std::fprintf(err, "druvo: check stelt geen vragen: --yes en --no horen er niet bij\n%s",
                 kUsage);
    return kExitUsage;
  }
  ConsoleView view(ConsoleAnswers::kNo, out, err, nullptr);
  MainWindow w(view);
  FillWindow(w, view, o);
  return Guarded(view, [&] {
    const CheckReport report = CheckInstallation(w);
    for (const std::string& line : report.lines) std::fprintf(out, "%s\n", line.c_str());
    std::fflush(out);
    switch (report.verdict) {
      case CheckVerdict::kCouldRun:
        return kExitCompleted;
      case CheckVerdict::kRefused:
        return kExitRefused;
      case CheckVerdict::kAlreadyDone:
        return kExitNotRun;
      case CheckVerdict::kLocked:
        return kExitLocked;
    }
    return kExitRefused;
  });
}

// The exit code of a restore.
int ExitCodeFor(RestoreResult result) {
  switch (result) {
    case RestoreResult::kRestored:
      return kExitCompleted;
    case RestoreResult::kPartly:
      return kExitCompletedWithErrors;
    case RestoreResult::kRefused:
      return kExitRefused;
    case RestoreResult::kNothing:
      return kExitNotRun;
    case RestoreResult::kLocked:
      return kExitLocked;
  }
  return kExitRefused;
}

int Restore(const std::vector<std::string>& args, std::FILE* out, std::FILE* err, std::FILE* in,
            bool interactive) {
  // Restore renames through the journal, whose plan the next Start or restore finishes
  // after a crash half-way: Ctrl-C may end it at once.
  return OnWindow(args, out, err, in, interactive, nullptr, [&](MainWindow& w) {
    const RestoreResult result = RestoreConversion(w);
    std::fflush(out);
    return ExitCodeFor(result);
  });
}

}  // namespace

int ExitCodeFor(RunOutcome outcome, int errorCount) {
  switch (outcome) {
    case RunOutcome::kCompleted:
      return errorCount == 0 ? kExitCompleted : kExitCompletedWithErrors;
    case RunOutcome::kRunLogFailed:
      return kExitRunLogNotWritten;
    case RunOutcome::kAbandoned:
      return kExitAbandoned;
    case RunOutcome::kNotRun:
      return kExitNotRun;
    case RunOutcome::kEndedAtDiskQuestion:
      return kExitEndedAtDiskQuestion;
    case RunOutcome::kLocked:
      return kExitLocked;
    case RunOutcome::kInterrupted:
      return kExitInterrupted;
    case RunOutcome::kUnforeseen:
      return kExitUnforeseen;
    case RunOutcome::kNone:
    case RunOutcome::kRefused:
    case RunOutcome::kNotConfirmed:
    case RunOutcome::kFailed:
      return kExitRefused;
  }
  return kExitRefused;
}

int ConsoleMain(const std::vector<std::string>& args, std::FILE* out, std::FILE* err, std::FILE* in,
                bool interactive, Interrupts* interrupts) {
  if (args.empty()) {
    std::fprintf(err, "%s", kUsage);
    return kExitUsage;
  }
  if (args.size() == 1 && (args[0] == "--help" || args[0] == "-h")) {
    std::fprintf(out, "%s", kUsage);
    return 0;
  }
  if (args.size() == 1 && args[0] == "--version") {
    std::fprintf(out, "DRUVO %s\n", DRUVO_VERSION);
    return 0;
  }
  if (args[0] == "run") return Run(args, out, err, in, interactive, interrupts);
  if (args[0] == "check") return Check(args, out, err);
  if (args[0] == "restore") return Restore(args, out, err, in, interactive);
  if (args[0] == "demo" && args.size() == 2) {
    std::string error;
    if (!WriteDemoInstallation(args[1], &error)) {
      std::fprintf(err, "druvo: demo: %s\n", error.c_str());
      return 1;
    }
    std::fprintf(out,
                 "Demo installation written to %s (program folder QMV, database folder DATA)\n",
                 args[1].c_str());
    return 0;
  }
  std::fprintf(err, "%s", kUsage);
  return kExitUsage;
}

}  // namespace druvo
