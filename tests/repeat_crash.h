// The platform part of the repeat preparation's crash test: the program's own arguments,
// and starting the program again as a child that is ended at a chosen rename.
#pragma once

#include <string>
#include <vector>

namespace repeat_crash {

/// The arguments after the program's name, as UTF-8.
std::vector<std::string> Arguments(int argc, char** argv);

/// Runs this program again with `args`, with DRUVO_CRASH_AT_RENAME=crashAt in the child's
/// environment (left out when crashAt is 0), waits for it and returns its exit code;
/// -1 when it could not be started or did not end by itself.
int RunSelf(const std::vector<std::string>& args, long crashAt);

}  // namespace repeat_crash
