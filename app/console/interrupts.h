// What Ctrl-C does to the console program. Outside a run, and while a question waits at
// the terminal, it ends the program at once, as in any console program: nothing is in
// flight then. While a run works, the first Ctrl-C asks it to end after the file in hand
// (with the summary, the run log and the mail) and says so on stderr; the next one ends the
// program at once. The utility never gets the console's Ctrl-C (tools/process_platform.h):
// it finishes its file either way, holding the run's lock until it has.
#pragma once

namespace druvo {

class Interrupts {
 public:
  virtual ~Interrupts() = default;
  /// From now on the first Ctrl-C only asks the run to stop; the one after it ends the
  /// program. Once a stop was asked, Ctrl-C ends the program at once whatever is called.
  virtual void StopAfterFile() = 0;
  /// From now on Ctrl-C ends the program at once.
  virtual void EndAtOnce() = 0;
  /// Whether a Ctrl-C asked the run to stop.
  virtual bool StopRequested() const = 0;
};

/// The process's own, on the platform's console signals: POSIX SIGINT and SIGTERM (a
/// signal ignored at start stays ignored; from the first StopAfterFile on SIGPIPE is
/// ignored, so a closed pipe fails a write instead of ending the run); Windows CTRL_C_EVENT
/// and CTRL_BREAK_EVENT.
/// SIGHUP, SIGQUIT and the closing of the console window keep their default: the program
/// ends at once.
Interrupts& ConsoleInterrupts();

}  // namespace druvo
