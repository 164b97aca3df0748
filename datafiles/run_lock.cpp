#include "datafiles/run_lock.h"

#include <chrono>
#include <thread>

#include "datafiles/journal.h"
#include "model/main_window.h"

namespace druvo {

std::string RunLockPath(const std::string& databaseFolder) {
  return databaseFolder + "\\" + kLockFileName;
}

std::string LockFailedText(const std::string& lockPath, const std::string& why) {
  return "Kan " + lockPath + " niet maken; zonder vergrendeling kan de conversie niet veilig lopen: " + why;
}

std::string UnfinishedPlanText(const std::string& why) {
  return "Een onderbroken hernoemplan kan niet worden afgemaakt. " + why;
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
  const FinishResult r = FinishUnfinishedPlan(w);
  if (finished) *finished = r;
  if (r.ok) return true;
  w.RefuseCommand(r.foreign ? r.why : UnfinishedPlanText(r.why), RunOutcome::kFailed);
  return false;
}

}  // namespace druvo
