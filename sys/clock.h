// The local clock.
#pragma once

namespace sys {

struct LocalDateTime {
  int year = 0;
  int month = 0;   // 1..12
  int day = 0;     // 1..31
  int hour = 0;    // 0..23
  int minute = 0;
  int second = 0;
  int millisecond = 0;
  bool operator==(const LocalDateTime&) const = default;
};

/// The current local date and time.
LocalDateTime Now();

/// The current date and time in UTC. Like Now(), right past 2038 in the 32-bit Windows build
/// too, where the C library's time_t ends in January 2038.
LocalDateTime UtcNow();

/// Local time of day in seconds since midnight, with its fraction: 0 <= s < 86400.
double SecondsSinceMidnight();

}  // namespace sys
