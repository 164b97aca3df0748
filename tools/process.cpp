#include "tools/process.h"

#include <cmath>
#include <limits>

#include "model/reporter.h"
#include "model/services.h"
#include "tools/process_platform.h"

namespace druvo {

namespace {

constexpr std::int32_t kSecondsPerDay = 86400;
// Long enough that a waiting DRUVO costs next to no processor time, short enough that the
// clock test still runs several times a second when nothing else wakes the wait.
constexpr int kPollPauseMs = 100;

}  // namespace

std::string Command::Text() const {
  std::string t = program;
  for (const auto& a : args) t += " " + a;
  return t;
}

bool ComputeWaitDeadline(double clock, std::int32_t timeOut, WaitDeadline& deadline) {
  WaitDeadline d;
  d.timeOut = timeOut;
  // nearbyint honours the current rounding mode, which is to nearest, halves to even.
  d.startSecond = static_cast<std::int32_t>(std::nearbyint(clock));
  if (timeOut > 0) {
    const std::int64_t sum = std::int64_t{d.startSecond} + timeOut;
    if (sum > std::numeric_limits<std::int32_t>::max()) return false;
    if (sum < kSecondsPerDay) {
      d.endSecond = static_cast<std::int32_t>(sum);
    } else {
      d.endSecond = static_cast<std::int32_t>(sum - kSecondsPerDay);
      d.afterMidnight = true;
    }
  }
  deadline = d;
  return true;
}

bool WaitTimedOut(const WaitDeadline& d, double clock) {
  if (d.timeOut == 0 || !(clock > d.endSecond)) return false;
  return !d.afterMidnight || clock < d.startSecond;
}

bool ShellandWait(Reporter& events, const Services& services, const Command& ExeFullPath,
                  std::int32_t TimeOutValue, ProcessEnd* end) {
  const Command command = ExeFullPath;  // the caller's text may change while events run
  WaitDeadline deadline;
  if (!ComputeWaitDeadline(services.secondsSinceMidnight(), TimeOutValue, deadline)) return false;

  std::unique_ptr<StartedProcess> process = StartProcess(command);
  if (!process) return false;
  if (end) *end = ProcessEnd{true, false, false, 0};

  // Before the first successful query the process counts as not running, so a process the
  // system cannot tell about ends the wait after one poll instead of holding it for ever.
  bool running = false;
  for (;;) {
    switch (process->Query()) {
      case StartedProcess::State::kRunning: running = true; break;
      case StartedProcess::State::kEnded:
        running = false;
        if (end) *end = ProcessEnd{true, true, process->EndedAbnormally(), process->ExitCode()};
        break;
      case StartedProcess::State::kUnknown: break;
    }
    events.DoEvents();
    if (WaitTimedOut(deadline, services.secondsSinceMidnight())) break;
    if (!running) break;
    process->Pause(kPollPauseMs);
  }
  return true;
}

}  // namespace druvo
