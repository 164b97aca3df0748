#include "sys/fs.h"

namespace sys {

std::string KindText(NameKind kind) {
  switch (kind) {
    case NameKind::kNothing: return "niets";
    case NameKind::kFile: return "een gewoon bestand";
    case NameKind::kLink: return "een symbolische koppeling";
    case NameKind::kFolder: return "een map";
    case NameKind::kFifo: return "een pipe (FIFO)";
    case NameKind::kOther: break;
  }
  return "een apparaat of ander bijzonder bestand";
}

std::string ParentFolder(const std::string& path) {
  const auto slash = path.find_last_of("\\/");
  if (slash == std::string::npos) return ".";
  // A root keeps its separator.
  const bool root = slash == 0 || (slash == 2 && path[1] == ':');
  return path.substr(0, slash + (root ? 1 : 0));
}

std::string NotAPlainFile(NameKind kind) { return "is " + KindText(kind) + ", geen gewoon bestand"; }

}  // namespace sys
