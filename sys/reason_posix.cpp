#include <cerrno>
#include <cstring>

#include "sys/reason.h"
#include "sys/reason_texts.h"

namespace sys {

std::string Reason(unsigned long code) {
  namespace t = reason_text;
  switch (static_cast<int>(code)) {
    case ENOENT: return t::kNotFound;
    case EACCES:
    case EPERM: return t::kAccessDenied;
    case EROFS: return t::kReadOnly;
    case ENOSPC:
    case EDQUOT: return t::kDiskFull;
    case EISDIR: return t::kIsFolder;
    case ENOTDIR: return t::kNotFolder;
    case EBUSY:
    case ETXTBSY: return t::kInUse;
    case EIO: return t::kIoError;
    case ENAMETOOLONG: return t::kNameTooLong;
    case EMLINK: return t::kTooManyLinks;
    case ELOOP: return t::kLinkLoop;
    case EEXIST: return t::kExists;
    case ENXIO:  // also a FIFO that nobody reads
    case ENODEV: return t::kNoDevice;
    case ECONNREFUSED: return t::kConnectionRefused;
    case ETIMEDOUT: return t::kTimedOut;
    case ENETUNREACH: return t::kNetworkUnreachable;
    case EHOSTUNREACH: return t::kHostUnreachable;
    case ECONNRESET:
    case ECONNABORTED:
    case EPIPE: return t::kConnectionLost;
    default: break;
  }
  const char* text = std::strerror(static_cast<int>(code));
  return text && *text ? text : "fout " + std::to_string(code);
}

}  // namespace sys
