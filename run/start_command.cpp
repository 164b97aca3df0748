#include "run/start_command.h"

#include <exception>
#include <string>

#include "datafiles/record.h"
#include "model/main_window.h"
#include "run/completion.h"
#include "run/conversion_loop.h"
#include "run/earlier_runs.h"
#include "run/host_open.h"
#include "run/run_guards.h"
#include "run/start_checks.h"

namespace druvo {

std::string UnforeseenFailureText(std::string_view what) {
  return "De verwerking is gestopt door een onverwachte fout: " +
         (what.empty() ? std::string("onbekende fout") : std::string(what));
}

namespace {

// A failure the command did not foresee (an exception) ends it where it stood. The window
// must not stay locked: the run counts as ended, Stop is enabled again and a message box
// tells what failed. The run's lock was released while unwinding; an unfinished rename plan
// is finished by the next Start from its journal.
void EndUnforeseen(MainWindow& w, std::string_view what) {
  w.runActive = false;
  w.outcome = RunOutcome::kUnforeseen;
  try {
    w.view.SetEnabled(Control::btnCancel, true);
    EnableFolderChoice(w.view, true);
    w.view.Progress(0, 0);
    w.view.Ask(UnforeseenFailureText(what), Buttons::kOk);
  } catch (const ProgramEnded&) {
    // The program was ended meanwhile: the view has quit.
  } catch (...) {
    // The window itself fails; Stop is enabled if it could be.
  }
}

}  // namespace

void ClickStart(MainWindow& w) {
  // Start is disabled while a run goes on, but a click can still be queued behind one.
  if (w.runActive) return;
  w.runActive = true;
  try {
    RunStartCommand(w);
    EnableFolderChoice(w.view, true);
  } catch (const ProgramEnded&) {
    // The view has quit; nothing of the run goes on.
  } catch (const std::exception& e) {
    EndUnforeseen(w, e.what());
  } catch (...) {
    EndUnforeseen(w, {});
  }
  w.runActive = false;
}

void RunStartCommand(MainWindow& w) {
  w.tolerantMode = false;
  w.entriesReported.reset();
  w.convertedCount = 0;
  if (!StartChecks(w) || !CheckOwnFiles(w)) return;
  // Held until the command ends; the utilities it started keep their share of it.
  const auto lock = TakeRunLock(w);
  if (!lock || !DataFilesFree(w) || !FinishInterruptedPlan(w)) return;
  if (const int damaged = FileRecord::Load(w.sDBPath).damagedLines(); damaged > 0) w.LogLine(RecordDamageText(damaged));
  switch (DetectEarlierRuns(w)) {
    case RunDecision::kRun:
      break;
    case RunDecision::kNotRun:
      w.outcome = RunOutcome::kNotRun;
      CompleteRun(w, Summary::kNone);
      return;
    case RunDecision::kStopped:
      // The run log and the mail still tell the help desk what happened.
      CompleteRun(w, Summary::kNone);
      return;
  }
  switch (ConversionLoop(w)) {
    case LoopEnd::kCompleted:
      w.outcome = RunOutcome::kCompleted;
      CompleteRun(w, Summary::kCompleted);
      break;
    case LoopEnd::kAbandoned:
      w.outcome = RunOutcome::kAbandoned;
      CompleteRun(w, Summary::kAbandoned);
      break;
    case LoopEnd::kInterrupted:
      w.outcome = RunOutcome::kInterrupted;
      CompleteRun(w, Summary::kInterrupted);
      break;
  }
}

}  // namespace druvo
