#include "sys/format.h"

#include <gtest/gtest.h>

// Both platforms write Dutch figures here: POSIX by default, Windows by the regional
// settings of the test prefix (nl-NL).
TEST(Format, GroupedNumbersAndDates) {
  EXPECT_EQ(sys::FormatGrouped(4001792), "4.001.792");
  EXPECT_EQ(sys::FormatGrouped(123456), "123.456");
  EXPECT_EQ(sys::FormatGrouped(999), "999");
  EXPECT_EQ(sys::FormatGrouped(0), "0");
  EXPECT_EQ(sys::FormatGrouped(std::int64_t{5} << 40), "5.497.558.138.880");
  sys::LocalDateTime t{2026, 3, 9, 7, 5, 4, 0};
  EXPECT_EQ(sys::FormatDayMonthYearHourMinute(t), "09-03-2026 07:05");
  EXPECT_EQ(sys::FormatGeneralDate(t), "9-3-2026 07:05:04");
}
