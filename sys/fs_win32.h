// The Win32 file layer's own definitions, for the other *_win32.cpp files. Included by
// *_win32.cpp files only.
#pragma once

#include <windows.h>

namespace sys {

/// ERROR_DIRECTORY_NOT_SUPPORTED, which MinGW's headers lack: a folder stands where a file
/// was meant. The file layer gives it for a file that cannot be opened because it is a folder.
constexpr DWORD kErrorIsFolder = 336;

}  // namespace sys
