#include "run/start_command.h"

#include "app/main_window.h"
#include "datafiles/run_lock.h"

namespace druvo {

void RunStartCommand(MainWindow& w) {
  w.tolerantMode = false;
  if (!StartChecks(w)) return;
  // Held until the command ends; the utilities it started keep their share of it.
  const auto lock = TakeRunLock(w);
  if (!lock || !FinishInterruptedPlan(w)) return;
  if (!DetectEarlierRuns(w)) {
    w.outcome = RunOutcome::kNotRun;
    CompleteRun(w, Summary::kNone);
    return;
  }
  bool completed = ConversionLoop(w);
  w.outcome = completed ? RunOutcome::kCompleted : RunOutcome::kAbandoned;
  CompleteRun(w, completed ? Summary::kCompleted : Summary::kAbandoned);
}

}  // namespace druvo
