// The last phase of the Start command.
#pragma once

namespace druvo {

class MainWindow;

enum class Summary { kNone, kCompleted, kAbandoned, kInterrupted };

/// Summary, label-tool swap, clipboard, run log, mail, Stop enabled.
void CompleteRun(MainWindow& w, Summary summary);

}  // namespace druvo
