#include "app/main_window.h"
#include "run/start_command.h"

namespace druvo {

void CompleteRun(MainWindow&, Summary) {}

}  // namespace druvo
