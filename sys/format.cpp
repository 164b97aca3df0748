#include "sys/format.h"

#include <cstdio>

namespace sys {

std::string FormatDayMonthYearHourMinute(const LocalDateTime& t) {
  char buf[40];
  std::snprintf(buf, sizeof buf, "%02d-%02d-%04d %02d:%02d", t.day, t.month, t.year, t.hour,
                t.minute);
  return buf;
}

}  // namespace sys
