// The Win32 file layer's opening of the program's own files, for the other *_win32.cpp files
// (the run lock). Included by *_win32.cpp files only.
#pragma once

#include <windows.h>

#include <string>

namespace sys {

/// ERROR_DIRECTORY_NOT_SUPPORTED, which MinGW's headers lack: a folder stands where a file
/// was meant. The file layer gives it for a file that cannot be opened because it is a folder.
constexpr DWORD kErrorIsFolder = 336;

/// Opens one of the program's own files (see sys/fs.h) with CreateFileW's `access`, `share`,
/// `sa` and extra `flags`; with `create` a missing file is made (CREATE_NEW), else it must
/// exist. A link is opened as itself and refused, never followed or made at its target (a
/// Unix link under Wine too); a pipe, a device or a folder is refused too.
/// INVALID_HANDLE_VALUE with `why` (Dutch) and the error (GetLastError) otherwise.
HANDLE OpenOwnFileHandle(const std::string& path, DWORD access, DWORD share, SECURITY_ATTRIBUTES* sa,
                         bool create, DWORD flags, std::string& why);

}  // namespace sys
