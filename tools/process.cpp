// Placeholder until the process layer lands.
#include "tools/process.h"

namespace druvo {

std::string Command::Text() const {
  std::string t = program;
  for (const auto& a : args) t += " " + a;
  return t;
}

bool ShellandWait(MainWindow&, const Command&, std::int32_t) { return false; }

}  // namespace druvo
