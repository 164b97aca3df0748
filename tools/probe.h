// The utility probe: decides whether every file must go through the batch wrapper.
#pragma once

#include <string>

#include "model/catalogue.h"

namespace druvo {

class Reporter;
struct Services;

/// Whether a line of rcx.log asks for the batch wrapper: its beginning, upper-cased, is
/// "ERROR: -1" or "ERROR: 20" (9 characters) or "ERROR: 3016" (11 characters).
bool IsTriggerLine(const std::string& line);

/// Empties rcx.log in the current folder, runs "<program folder>\RCX I QWAOMVSQ<suffix>"
/// (the catalogue's probe entry), shows rcx.log in the log view and returns true when a line
/// of it is a trigger line.
bool ProbeConversionUtility(Reporter& log, const Services& services, const FileCatalogue& catalogue,
                            const std::string& programFolder, const std::string& suffix);

}  // namespace druvo
