#include "run/start_command.h"

#include "datafiles/own_files.h"
#include "datafiles/run_lock.h"
#include "model/main_window.h"
#include "run/host_open.h"

namespace druvo {

void ClickStart(MainWindow& w) {
  // Start is disabled while a run goes on, but a click can still be queued behind one.
  if (w.runActive) return;
  w.runActive = true;
  try {
    RunStartCommand(w);
    EnableFolderChoice(w.view, true);
  } catch (const ProgramEnded&) {
    // The view has quit; nothing of the run goes on.
  }
  w.runActive = false;
}

void RunStartCommand(MainWindow& w) {
  w.tolerantMode = false;
  w.entriesReported.reset();
  if (!StartChecks(w) || !CheckOwnFiles(w)) return;
  // Held until the command ends; the utilities it started keep their share of it.
  const auto lock = TakeRunLock(w);
  if (!lock || !DataFilesFree(w) || !FinishInterruptedPlan(w)) return;
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
