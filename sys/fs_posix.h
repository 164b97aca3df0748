// The POSIX file layer's opening of the program's own files, for the other *_posix.cpp files
// (the run lock). Included by *_posix.cpp files only.
#pragma once

#include <string>

namespace sys {

/// Opens one of the program's own files (see sys/fs.h) with `flags` (O_RDONLY, O_WRONLY or
/// O_RDWR, with O_APPEND or O_CLOEXEC as wanted). With `create` a missing file is made,
/// readable and writable for every user of the folder whatever the umask. Never follows a
/// link at the name, never waits on a FIFO, accepts only a regular file; the descriptor is
/// blocking. -1 with `why` (Dutch) otherwise.
int OpenOwnFile(const std::string& path, int flags, bool create, std::string& why);

}  // namespace sys
