#include "app/main_window.h"
#include "run/start_command.h"

namespace druvo {

void BrowseForFolder(MainWindow&, bool) {}

}  // namespace druvo
