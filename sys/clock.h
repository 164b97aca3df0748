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
};

/// The current local date and time.
LocalDateTime Now();

/// Local time of day in seconds since midnight, with its fraction: 0 <= s < 86400.
double SecondsSinceMidnight();

}  // namespace sys
