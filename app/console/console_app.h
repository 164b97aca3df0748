// The console front end: `druvo run [options]` runs one Start command with the same
// operations as the window; `druvo demo DIR` writes a demo installation; `druvo --help`
// and `druvo --version` tell the usage and the version.
#pragma once

#include <cstdio>
#include <string>
#include <vector>

#include "app/console/interrupts.h"
#include "model/main_window.h"

namespace druvo {

/// Exit codes of `druvo run`.
enum ExitCode {
  kExitCompleted = 0,
  kExitCompletedWithErrors = 1,
  kExitRefused = 2,
  kExitAbandoned = 3,
  kExitNotRun = 4,
  kExitEndedAtDiskQuestion = 5,
  kExitRunLogNotWritten = 6,
  kExitLocked = 7,
  kExitUnforeseen = 8,
  kExitUsage = 64,
  kExitInterrupted = 130,
};

/// The exit code for how the Start command ended, with the error count.
int ExitCodeFor(RunOutcome outcome, int errorCount);

/// Runs the front end with its arguments (without the program name). `interactive` tells
/// whether questions can be asked on the terminal. `interrupts`, where given, lets a Ctrl-C
/// during a run end it after the file in hand (exit code 130); check and restore leave
/// Ctrl-C as it is.
int ConsoleMain(const std::vector<std::string>& args, std::FILE* out, std::FILE* err, std::FILE* in,
                bool interactive, Interrupts* interrupts = nullptr);

}  // namespace druvo
