#include "sys/clock.h"

#include <windows.h>

namespace sys {

namespace {

LocalDateTime FromSystemTime(const SYSTEMTIME& st) {
  LocalDateTime d;
  d.year = st.wYear;
  d.month = st.wMonth;
  d.day = st.wDay;
  d.hour = st.wHour;
  d.minute = st.wMinute;
  d.second = st.wSecond;
  d.millisecond = st.wMilliseconds;
  return d;
}

}  // namespace

LocalDateTime Now() {
  SYSTEMTIME st{};
  GetLocalTime(&st);
  return FromSystemTime(st);
}

LocalDateTime UtcNow() {
  SYSTEMTIME st{};
  GetSystemTime(&st);
  return FromSystemTime(st);
}

double SecondsSinceMidnight() {
  LocalDateTime d = Now();
  return d.hour * 3600.0 + d.minute * 60.0 + d.second + d.millisecond / 1000.0;
}

}  // namespace sys
