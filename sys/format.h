// Dates and numbers as the user's regional settings write them (Windows), or the Dutch
// defaults (POSIX): 7-12-2026 18:30:05 and 4.001.792.
#pragma once

#include <cstdint>
#include <string>

#include "sys/clock.h"

namespace sys {

/// The general date form: short date, a blank, long time.
std::string FormatGeneralDate(const LocalDateTime& t);

/// A whole number with the digit grouping of the regional settings, no decimals.
std::string FormatGrouped(std::int64_t value);

/// The fixed pattern "DD-mm-yyyy hh:mm" (two-digit day, month, hour and minute).
std::string FormatDayMonthYearHourMinute(const LocalDateTime& t);

}  // namespace sys
