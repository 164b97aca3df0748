#include "sys/fs.h"

#include <cstdlib>

#include "sys/env.h"

namespace sys {

RenameResult RenamePlatform(const std::string& from, const std::string& to);
void EndProcessNow(int code);

RenameResult RenameNoReplace(const std::string& from, const std::string& to) {
  static long crash_at = [] {
    auto v = GetVariable("DRUVO_CRASH_AT_RENAME");
    return v ? std::atol(v->c_str()) : 0L;
  }();
  static long renames = 0;
  if (crash_at > 0 && ++renames == crash_at) EndProcessNow(86);
  return RenamePlatform(from, to);
}

}  // namespace sys
