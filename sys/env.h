// The process environment and working directory.
#pragma once

#include <optional>
#include <string>

namespace sys {

/// The environment entry at a 1-based position, "NAME=value"; empty past the last one.
std::string EnvironmentEntry(int position);

/// A variable looked up by name, by the platform's rule for the case of names.
std::optional<std::string> GetVariable(const std::string& name);

/// The process's working directory as a full path.
std::string WorkingDirectory();

}  // namespace sys
