// Placeholder until the marker operations land.
#include "datafiles/markers.h"

namespace druvo {

ConvertedCount CountConvertedFiles(MainWindow&, const std::string&, const std::string&) { return {}; }
void PreparePartialRepeat(MainWindow&, const std::string&, const std::string&) {}
void PrepareFullRepeat(MainWindow&, const std::string&, const std::string&) {}

}  // namespace druvo
