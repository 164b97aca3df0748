// The Win32 file layer's opening of the program's own files, for the other *_win32.cpp files
// (the run lock), and its patience with a file another program holds for a moment. Included
// by *_win32.cpp files only.
#pragma once

#include <windows.h>

#include <functional>
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

/// Runs `attempt` (a rename, a removal or an open of `path`; it returns 0, or the error the
/// system gave) until it succeeds or is refused for good. Virus scanners, the search indexer
/// and backup agents open files for a moment: a sharing violation, a lock violation, or access
/// denied where `path` is neither a read-only file nor a folder, is tried again after growing
/// waits, for about 10 s in all. Any other error ends it at once. Returns the last attempt's
/// result, which is also left as the thread's last error.
DWORD RetryWhileHeld(const std::wstring& path, const std::function<DWORD()>& attempt);

/// How RetryWhileHeld waits `ms` milliseconds between its attempts; by default it sleeps.
/// The window sets a wait that keeps its messages running.
void SetHeldFileWait(void (*wait)(DWORD ms));

}  // namespace sys
