// The system code page: per-file logs, rcx.log and DRUVO.Log are 8-bit text in it.
// Windows: CP_ACP. POSIX: Windows-1252, the code page of the host's files.
#pragma once

#include <string>
#include <string_view>

namespace sys {

/// 8-bit text in the system code page -> UTF-8. Bytes the code page leaves undefined
/// map to the code point of the same number, so no byte is lost.
std::string FromCodePage(std::string_view bytes);

/// UTF-8 -> 8-bit text in the system code page; characters it cannot hold become '?'.
std::string ToCodePage(std::string_view utf8);

}  // namespace sys
