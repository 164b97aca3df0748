#include <windows.h>
#include <winsock2.h>

#include "sys/fs_win32.h"
#include "sys/reason.h"
#include "sys/reason_texts.h"
#include "sys/wide_win32.h"

namespace sys {

namespace {

// The system's text in one language (0: the user's), without its line end and full stop.
std::string SystemText(DWORD code, DWORD language) {
  wchar_t* msg = nullptr;
  const DWORD n = FormatMessageW(FORMAT_MESSAGE_ALLOCATE_BUFFER | FORMAT_MESSAGE_FROM_SYSTEM |
                                     FORMAT_MESSAGE_IGNORE_INSERTS,
                                 nullptr, code, language, reinterpret_cast<wchar_t*>(&msg), 0, nullptr);
  std::string text = n && msg ? Narrow(std::wstring_view(msg, n)) : std::string();
  if (msg) LocalFree(msg);
  while (!text.empty() && (text.back() == '\n' || text.back() == '\r' || text.back() == ' ' ||
                           text.back() == '.'))
    text.pop_back();
  return text;
}

}  // namespace

std::string Reason(unsigned long code) {
  namespace t = reason_text;
  switch (code) {
    case ERROR_FILE_NOT_FOUND:
    case ERROR_PATH_NOT_FOUND: return t::kNotFound;
    case ERROR_ACCESS_DENIED: return t::kAccessDenied;
    case ERROR_WRITE_PROTECT: return t::kReadOnly;
    case ERROR_DISK_FULL:
    case ERROR_HANDLE_DISK_FULL: return t::kDiskFull;
    case kErrorIsFolder: return t::kIsFolder;
    case ERROR_DIRECTORY: return t::kNotFolder;
    case ERROR_SHARING_VIOLATION:
    case ERROR_LOCK_VIOLATION:
    case ERROR_BUSY: return t::kInUse;
    case ERROR_IO_DEVICE:
    case ERROR_CRC:
    case ERROR_READ_FAULT:
    case ERROR_WRITE_FAULT: return t::kIoError;
    case ERROR_FILENAME_EXCED_RANGE: return t::kNameTooLong;
    case ERROR_TOO_MANY_LINKS: return t::kTooManyLinks;
    case ERROR_CANT_RESOLVE_FILENAME: return t::kLinkLoop;
    case ERROR_FILE_EXISTS:
    case ERROR_ALREADY_EXISTS: return t::kExists;
    case ERROR_NOT_READY:
    case ERROR_DEV_NOT_EXIST: return t::kNoDevice;
    case WSAECONNREFUSED: return t::kConnectionRefused;
    case WSAETIMEDOUT: return t::kTimedOut;
    case WSAENETUNREACH: return t::kNetworkUnreachable;
    case WSAEHOSTUNREACH: return t::kHostUnreachable;
    case WSAECONNRESET:
    case WSAECONNABORTED: return t::kConnectionLost;
    case WSAHOST_NOT_FOUND: return t::kUnknownHost;
    default: break;
  }
  // Dutch where the system has it (a Dutch Windows, and Wine), else the user's language.
  std::string text = SystemText(code, MAKELANGID(LANG_DUTCH, SUBLANG_DUTCH));
  if (text.empty()) text = SystemText(code, 0);
  return text.empty() ? "fout " + std::to_string(code) : text;
}

}  // namespace sys
