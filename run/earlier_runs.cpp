#include "app/main_window.h"
#include "run/start_command.h"

namespace druvo {

bool DetectEarlierRuns(MainWindow&) { return true; }

}  // namespace druvo
