// One run at a time per installation: DRUVO.LCK in the database folder, locked by a Start
// command before it touches any file and held until the command and every utility it
// started have ended (run/run_guards.h takes it).
#pragma once

#include <string>

namespace druvo {

constexpr char kLockFileName[] = "DRUVO.LCK";

std::string RunLockPath(const std::string& databaseFolder);

/// What a Start says when the lock file cannot be made or opened, `why` being the reason.
std::string LockFailedText(const std::string& lockPath, const std::string& why);
/// What a Start says when an interrupted plan cannot be finished, `why` saying which step.
std::string UnfinishedPlanText(const std::string& why);

}  // namespace druvo
