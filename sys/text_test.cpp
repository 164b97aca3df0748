#include "sys/text.h"

#include <gtest/gtest.h>

TEST(Text, UpperCasesAsciiAndLatin1Letters) {
  EXPECT_EQ(text::Upper("qwimapd.dat"), "QWIMAPD.DAT");
  EXPECT_EQ(text::Upper("\xC3\xA9t\xC3\xA9 \xC3\xB7"), "\xC3\x89T\xC3\x89 \xC3\xB7");
}
