// The entry of the host simulation's programs: arguments as UTF-8, without the program name.
#pragma once

#include <string>
#include <vector>

/// Defined by each program; its result is the exit code.
int HostMain(const std::vector<std::string>& args);
