// Starting one of the host's programs and waiting for it while the window stays alive.
#pragma once

#include <cstdint>
#include <string>
#include <vector>

namespace druvo {

class Reporter;
struct Services;

/// A command line kept in its pieces, so that a program path or an argument holding
/// blanks or characters a shell interprets reaches the program intact.
struct Command {
  std::string program;            // path of the program, as built ("C:\QMV\RCX.exe")
  std::vector<std::string> args;  // each argument as one piece

  /// The command line as text: program and arguments joined by one blank, unquoted.
  /// This is the form shown and logged.
  std::string Text() const;
};

/// When a wait gives up, in seconds since midnight of the local clock.
struct WaitDeadline {
  std::int32_t timeOut = 0;      // 0: no limit
  std::int32_t startSecond = 0;  // clock at entry, to the nearest second (halves to even)
  std::int32_t endSecond = 0;    // 0 when there is no limit
  bool afterMidnight = false;    // the end second lies on the next day
};

/// Computes the deadline of a wait that starts at clock reading `clock` (0 <= clock < 86400)
/// with `timeOut` seconds (0: no limit). A sum of 86,400 or more wraps to the next day.
/// A negative time-out adds nothing: the end second stays 0, so the wait gives up at the
/// first poll after 00:00:00. False when start second + time-out does not fit in 32 bits
/// signed.
bool ComputeWaitDeadline(double clock, std::int32_t timeOut, WaitDeadline& deadline);

/// Whether a poll at clock reading `clock` gives up: the time-out is not 0 and the clock
/// reads strictly more than the end second, and, after midnight, also strictly less than
/// the start second. A time-out of 86,400 or more therefore never gives up.
bool WaitTimedOut(const WaitDeadline& deadline, double clock);

/// Runs the command and returns once it has ended, or once `TimeOutValue` seconds
/// (0: no limit) have passed by the local clock's seconds since midnight, which may wrap
/// at midnight. The window's pending events run while it waits. True when the wait ended;
/// false when the command could not be started or the end second overflows.
///
/// The program works in the current folder. A program named without an extension is found
/// with ".exe" added; a batch file (.BAT, .CMD) runs through the command interpreter on
/// Windows; on POSIX the program (or #! script) is looked up like every path of the program
/// ("\" separators, "X:" the root, any letter case) and started directly. A process that has
/// ended is seen as ended whatever its exit code (also 259). The time-out ends only the
/// wait: the process runs on, also beyond the life of this program, holding the run's lock.
///
/// `end`, where given, tells how the process ended: not started, still running (a time-out),
/// ended abnormally (a crash), or its exit code. The clock is the services' clock; the
/// events run through `events`.
struct ProcessEnd {
  bool started = false;
  bool ended = false;
  bool abnormal = false;
  std::uint32_t exitCode = 0;
};
bool ShellandWait(Reporter& events, const Services& services, const Command& ExeFullPath,
                  std::int32_t TimeOutValue, ProcessEnd* end = nullptr);

}  // namespace druvo
