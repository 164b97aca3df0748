// `druvo check`: what a Start command would find on an installation, read without asking
// anything and without creating, writing, renaming or removing any file.
#pragma once

#include <string>
#include <vector>

namespace druvo {

class MainWindow;

enum class CheckVerdict {
  kCouldRun,     // a Start would pass its checks and convert
  kRefused,      // a start check would refuse
  kAlreadyDone,  // more markers than data files: a Start would only say so
  kLocked,       // another run holds the installation's lock
};

struct CheckReport {
  std::vector<std::string> lines;
  CheckVerdict verdict = CheckVerdict::kCouldRun;
};

/// Reads the window's boxes as the start checks do (they fill w's settings, the direction
/// included) and reports: each start check's verdict in the system's own texts, the
/// database date, the program's own files, the lock, an unfinished rename plan and what
/// finishing it would do, the disk check's two figures, the earlier-run case and what Yes
/// would set aside, the label tool, and one line per catalogue entry starting with its
/// number (1 to 32). The lock file, the record and the journal are opened (or their folder
/// asked) as a Start would open them: what would refuse the Start is said as the Start says
/// it, and the verdict is then kRefused.
CheckReport CheckInstallation(MainWindow& w);

}  // namespace druvo
