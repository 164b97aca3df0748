// One run at a time per installation: DRUVO.LCK in the database folder, locked by a Start
// command before it touches any file and held until the command and every utility it
// started have ended.
#pragma once

#include <memory>
#include <string>

#include "sys/file_lock.h"

namespace druvo {

class MainWindow;
struct FinishResult;

constexpr char kLockFileName[] = "DRUVO.LCK";

std::string RunLockPath(const std::string& databaseFolder);

/// What a Start says when the lock file cannot be made or opened, `why` being the reason.
std::string LockFailedText(const std::string& lockPath, const std::string& why);
/// What a Start says when an interrupted plan cannot be finished, `why` saying which step.
std::string UnfinishedPlanText(const std::string& why);

/// Locks w.sDBPath's installation. When another run holds it, or the lock cannot be made,
/// a message box with OK says so, both buttons are enabled again, w.outcome tells which,
/// and nothing comes back.
std::unique_ptr<sys::FileLock> TakeRunLock(MainWindow& w);

/// Finishes a plan a crash interrupted (see datafiles/journal.h) under the run's lock;
/// `finished`, when given, gets what was finished. When a rename of it cannot be made, a
/// message box says which and why, both buttons are enabled again and false comes back:
/// nothing more may be touched.
bool FinishInterruptedPlan(MainWindow& w, FinishResult* finished = nullptr);

}  // namespace druvo
