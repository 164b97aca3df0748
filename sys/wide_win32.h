// UTF-8 <-> UTF-16 at the Win32 boundary. Included by *_win32.cpp files only.
#pragma once

#include <string>
#include <string_view>

namespace sys {

std::wstring Widen(std::string_view utf8);
std::string Narrow(std::wstring_view wide);

}  // namespace sys
