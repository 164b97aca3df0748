#include "run/run_guards.h"

#include <chrono>
#include <thread>

#include "datafiles/journal.h"
#include "datafiles/own_files.h"
#include "datafiles/run_lock.h"
#include "model/main_window.h"

namespace druvo {

bool CheckOwnFiles(MainWindow& w) {
  const auto refusal = OwnFilesRefusal(w.sDBPath);
  if (!refusal) return true;
  w.RefuseCommand(*refusal, RunOutcome::kRefused);
  return false;
}

std::unique_ptr<sys::FileLock> TakeRunLock(MainWindow& w) {
  sys::LockStatus status;
  std::string why;
  const std::string path = RunLockPath(w.sDBPath);
  auto lock = sys::FileLock::Take(path, status, why);
  // The last utility of a run that just ended may still be closing its share of the lock
  // (its end is seen before its handles are gone): a short wait tells that from a run.
  for (int tries = 0; status == sys::LockStatus::kHeld && tries < 40; ++tries) {
    std::this_thread::sleep_for(std::chrono::milliseconds(50));
    lock = sys::FileLock::Take(path, status, why);
  }
  if (status == sys::LockStatus::kHeld) {
    w.RefuseCommand("Er loopt al een conversie op deze database !", RunOutcome::kLocked);
  } else if (!lock) {
    w.RefuseCommand(LockFailedText(path, why), RunOutcome::kFailed);
  }
  return lock;
}

bool FinishInterruptedPlan(MainWindow& w, FinishResult* finished) {
  const FinishResult r = FinishUnfinishedPlan(w.Settings(), w, w.services);
  if (finished) *finished = r;
  if (r.ok) return true;
  w.RefuseCommand(r.foreign ? r.why : UnfinishedPlanText(r.why), RunOutcome::kFailed);
  return false;
}

}  // namespace druvo
