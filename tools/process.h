// Starting one of the host's programs and waiting for it while the window stays alive.
#pragma once

#include <cstdint>
#include <string>
#include <vector>

namespace druvo {

class MainWindow;

/// A command line kept in its pieces, so that a program path or an argument holding
/// blanks or characters a shell interprets reaches the program intact.
struct Command {
  std::string program;            // path of the program, as built ("C:\QMV\RCX.exe")
  std::vector<std::string> args;  // each argument as one piece

  /// The command line as text: program and arguments joined by one blank, unquoted.
  /// This is the form shown and logged.
  std::string Text() const;
};

/// Runs the command and returns once it has ended, or once `TimeOutValue` seconds
/// (0: no limit) have passed by the local clock's seconds since midnight, which may wrap
/// at midnight. The window's pending events run while it waits. True when the wait ended;
/// false when the command could not be started or the end second overflows.
bool ShellandWait(MainWindow& w, const Command& ExeFullPath, std::int32_t TimeOutValue);

}  // namespace druvo
