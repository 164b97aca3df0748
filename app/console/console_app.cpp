#include "app/console/console_app.h"

#include "app/console/console_view.h"
#include "hostsim/demo.h"

namespace druvo {

namespace {

const char kUsage[] =
    "usage: druvo run [--customer NR] [--direction 13|10] [--admin XX]\n"
    "                 [--program-folder DIR] [--database-folder DIR] [--yes | --no]\n"
    "       druvo demo DIR\n";

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

int Run(const std::vector<std::string>& args, std::FILE* out, std::FILE* err, std::FILE* in,
        bool interactive) {
  RunOptions o;
  std::string error;
  if (!Parse(args, o, error)) {
    std::fprintf(err, "druvo: %s\n%s", error.c_str(), kUsage);
    return kExitUsage;
  }
  if (o.answers == ConsoleAnswers::kAsk && !interactive) {
    std::fprintf(err,
                 "[DRUVO] Geen terminal om vragen te beantwoorden: geef --yes of --no mee\n");
    return kExitRefused;
  }

  ConsoleView view(o.answers, out, err, in);
  MainWindow w(view);
  view.SetText(Control::txtExtensie, "AT");
  w.Load();
  view.SetText(Control::txtKlantId, o.customer);
  if (o.adminGiven) view.SetText(Control::txtExtensie, o.admin);
  if (o.programGiven) {
    view.SetText(Control::txtExePath, o.programFolder);
    w.sExePath = o.programFolder;
  }
  if (o.databaseGiven) {
    view.SetText(Control::txtDatabasePath, o.databaseFolder);
    w.sDBPath = o.databaseFolder;
  }
  view.option1 = o.direction == "13";

  w.ClickStart();
  std::fprintf(out, "\n");
  std::fflush(out);
  // Only a run that reached its completion sent the mail.
  const bool mailed = w.outcome == RunOutcome::kCompleted || w.outcome == RunOutcome::kAbandoned ||
                      w.outcome == RunOutcome::kNotRun || w.outcome == RunOutcome::kRunLogFailed;
  if (mailed) {
    std::fprintf(err, "[mail] %s\n", w.mailResult.empty() ? "(niet verstuurd)" : w.mailResult.c_str());
  }
  return ExitCodeFor(w.outcome, w.errorCount);
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
    case RunOutcome::kNone:
    case RunOutcome::kRefused:
    case RunOutcome::kNotConfirmed:
    case RunOutcome::kFailed:
      return kExitRefused;
  }
  return kExitRefused;
}

int ConsoleMain(const std::vector<std::string>& args, std::FILE* out, std::FILE* err,
                std::FILE* in, bool interactive) {
  if (args.empty()) {
    std::fprintf(err, "%s", kUsage);
    return kExitUsage;
  }
  if (args[0] == "run") return Run(args, out, err, in, interactive);
  if (args[0] == "demo" && args.size() == 2) {
    std::string error;
    if (!WriteDemoInstallation(args[1], &error)) {
      std::fprintf(err, "druvo: demo: %s\n", error.c_str());
      return 1;
    }
    std::fprintf(out, "Demo installation written to %s (program folder QMV, database folder DATA)\n",
                 args[1].c_str());
    return 0;
  }
  std::fprintf(err, "%s", kUsage);
  return kExitUsage;
}

}  // namespace druvo
