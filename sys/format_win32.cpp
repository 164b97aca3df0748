#include "sys/format.h"

#include <windows.h>

#include "sys/wide_win32.h"

namespace sys {

std::string FormatGeneralDate(const LocalDateTime& t) {
  SYSTEMTIME st{};
  st.wYear = static_cast<WORD>(t.year);
  st.wMonth = static_cast<WORD>(t.month);
  st.wDay = static_cast<WORD>(t.day);
  st.wHour = static_cast<WORD>(t.hour);
  st.wMinute = static_cast<WORD>(t.minute);
  st.wSecond = static_cast<WORD>(t.second);
  wchar_t date[100] = L"";
  wchar_t time[100] = L"";
  GetDateFormatEx(LOCALE_NAME_USER_DEFAULT, DATE_SHORTDATE, &st, nullptr, date, 100, nullptr);
  GetTimeFormatEx(LOCALE_NAME_USER_DEFAULT, 0, &st, nullptr, time, 100);
  return Narrow(date) + " " + Narrow(time);
}

std::string FormatGrouped(std::int64_t value) {
  // An explicit NUMBERFMTW: Wine groups wrongly when the format is left to the locale.
  wchar_t decimal[8] = L",";
  wchar_t thousand[8] = L".";
  GetLocaleInfoEx(LOCALE_NAME_USER_DEFAULT, LOCALE_SDECIMAL, decimal, 8);
  GetLocaleInfoEx(LOCALE_NAME_USER_DEFAULT, LOCALE_STHOUSAND, thousand, 8);
  NUMBERFMTW fmt{};
  fmt.NumDigits = 0;
  fmt.LeadingZero = 1;
  fmt.Grouping = 3;
  fmt.lpDecimalSep = decimal;
  fmt.lpThousandSep = thousand;
  fmt.NegativeOrder = 1;
  std::wstring digits = std::to_wstring(value);
  wchar_t out[64] = L"";
  if (GetNumberFormatEx(LOCALE_NAME_USER_DEFAULT, 0, digits.c_str(), &fmt, out, 64) == 0)
    return Narrow(digits);
  return Narrow(out);
}

}  // namespace sys
