// The platform part of the crash tests: the program's own arguments, and starting the
// program again as a child (which ends itself at a chosen step).
#pragma once

#include <string>
#include <vector>

namespace repeat_crash {

/// The arguments after the program's name, as UTF-8.
std::vector<std::string> Arguments(int argc, char** argv);

/// Runs this program again with `args`, waits for it and returns its exit code; -1 when it
/// could not be started or did not end by itself.
int RunSelf(const std::vector<std::string>& args);

}  // namespace repeat_crash
