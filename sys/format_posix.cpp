#include "sys/format.h"

#include <cstdio>

namespace sys {

std::string FormatGeneralDate(const LocalDateTime& t) {
  char buf[64];
  std::snprintf(buf, sizeof buf, "%d-%d-%04d %02d:%02d:%02d", t.day, t.month, t.year, t.hour,
                t.minute, t.second);
  return buf;
}

std::string FormatGrouped(std::int64_t value) {
  bool negative = value < 0;
  std::uint64_t magnitude =
      negative ? ~static_cast<std::uint64_t>(value) + 1 : static_cast<std::uint64_t>(value);
  std::string digits = std::to_string(magnitude);
  std::string out;
  for (std::size_t i = 0; i < digits.size(); ++i) {
    if (i > 0 && (digits.size() - i) % 3 == 0) out += '.';
    out += digits[i];
  }
  return negative ? "-" + out : out;
}

}  // namespace sys
