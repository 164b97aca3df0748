// The system's errors as the user reads them: a short Dutch reason that follows "...: " in a
// message ("Kan ...\DRUVO.Log niet schrijven: schijf vol").
#pragma once

#include <string>

namespace sys {

/// The reason for a system error code: POSIX an errno value, Win32 a GetLastError or
/// WSAGetLastError code. The errors a user meets (not found, access denied, read-only, disk
/// full, a folder, not a folder, in use, input/output error, name too long, too many links,
/// a refused or lost connection ...) read the same on both systems; any other is the
/// system's own text (Win32: in Dutch where the system has it). Never empty, no line end.
std::string Reason(unsigned long code);

}  // namespace sys
