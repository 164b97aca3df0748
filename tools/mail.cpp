// Placeholder until the mail component lands.
#include "tools/mail.h"

namespace druvo {

std::string SendEmail(MainWindow&, const std::string&, const std::string&) { return {}; }

}  // namespace druvo
