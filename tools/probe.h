// The utility probe: decides whether every file must go through the batch wrapper.
#pragma once

#include <string>

namespace druvo {

class MainWindow;

/// Whether a line of rcx.log asks for the batch wrapper: its beginning, upper-cased, is
/// "ERROR: -1" or "ERROR: 20" (9 characters) or "ERROR: 3016" (11 characters).
bool IsTriggerLine(const std::string& line);

/// Empties rcx.log in the current folder, runs "<program folder>\RCX I QWAOMVSQ<suffix>",
/// shows rcx.log in the log view and returns true when a line of it is a trigger line.
bool ProbeConversionUtility(MainWindow& w, const std::string& suffix);

}  // namespace druvo
