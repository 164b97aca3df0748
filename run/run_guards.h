// What a Start (and a restore) makes sure of before it touches a file: DRUVO's own files are
// plain files, the installation's lock is its own, and a plan a crash interrupted is finished.
// Each refuses the command itself: a message box says why, both buttons are enabled again
// and w.outcome tells how it ended.
#pragma once

#include <memory>

#include "sys/file_lock.h"

namespace druvo {

class MainWindow;
struct FinishResult;

/// The three names DRUVO.LCK, DRUVO.JNL and DRUVO.REC hold plain files or nothing; on a
/// refusal w.outcome is kRefused and false comes back.
bool CheckOwnFiles(MainWindow& w);

/// Locks w.sDBPath's installation. When another run holds it, or the lock cannot be made,
/// the command is refused (w.outcome kLocked or kFailed) and nothing comes back.
std::unique_ptr<sys::FileLock> TakeRunLock(MainWindow& w);

/// Finishes a plan a crash interrupted (see datafiles/journal.h) under the run's lock;
/// `finished`, when given, gets what was finished. When a rename of it cannot be made, the
/// command is refused (w.outcome kFailed), naming which and why, and false comes back:
/// nothing more may be touched.
bool FinishInterruptedPlan(MainWindow& w, FinishResult* finished = nullptr);

}  // namespace druvo
