#include "app/main_window.h"
#include "run/start_command.h"

namespace druvo {

bool ConversionLoop(MainWindow&) { return true; }

}  // namespace druvo
