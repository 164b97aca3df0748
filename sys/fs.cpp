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

}  // namespace sys
