#include "sys/env.h"

#include <unistd.h>

#include <cstdlib>
#include <vector>

extern char** environ;

namespace sys {

std::string EnvironmentEntry(int position) {
  if (position < 1 || !environ) return {};
  for (int i = 0; environ[i]; ++i) {
    if (i + 1 == position) return environ[i];
  }
  return {};
}

std::optional<std::string> GetVariable(const std::string& name) {
  const char* v = std::getenv(name.c_str());
  if (!v) return std::nullopt;
  return std::string(v);
}

std::string WorkingDirectory() {
  std::vector<char> buf(4096);
  while (!getcwd(buf.data(), buf.size())) {
    if (buf.size() > (1u << 20)) return {};
    buf.resize(buf.size() * 2);
  }
  return buf.data();
}

}  // namespace sys
