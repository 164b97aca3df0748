#include "sys/clock.h"

#include <sys/time.h>
#include <time.h>

namespace sys {

namespace {

LocalDateTime FromTimeval(const timeval& tv, bool utc) {
  time_t secs = tv.tv_sec;
  tm t{};
  if (utc)
    gmtime_r(&secs, &t);
  else
    localtime_r(&secs, &t);
  LocalDateTime d;
  d.year = t.tm_year + 1900;
  d.month = t.tm_mon + 1;
  d.day = t.tm_mday;
  d.hour = t.tm_hour;
  d.minute = t.tm_min;
  d.second = t.tm_sec > 59 ? 59 : t.tm_sec;
  d.millisecond = static_cast<int>(tv.tv_usec / 1000);
  return d;
}

}  // namespace

LocalDateTime Now() {
  timeval tv{};
  gettimeofday(&tv, nullptr);
  return FromTimeval(tv, false);
}

LocalDateTime UtcNow() {
  timeval tv{};
  gettimeofday(&tv, nullptr);
  return FromTimeval(tv, true);
}

double SecondsSinceMidnight() {
  LocalDateTime d = Now();
  return d.hour * 3600.0 + d.minute * 60.0 + d.second + d.millisecond / 1000.0;
}

}  // namespace sys
