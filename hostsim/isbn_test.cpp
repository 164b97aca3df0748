#include <gtest/gtest.h>

#include <string>

#include "hostsim/isbn.h"
#include "hostsim/rcx.h"

using namespace hostsim;

TEST(BookNumbers, CheckDigitsAndValidation) {
  // Published examples: 0-306-40615-2 = 978-0-306-40615-7, 0-8044-2957-X = 978-0-8044-2957-3.
  EXPECT_EQ(Isbn10CheckDigit("030640615"), '2');
  EXPECT_EQ(Isbn10CheckDigit("080442957"), 'X');
  EXPECT_EQ(Isbn10CheckDigit("100000006"), '0');  // sum divisible by 11 gives 0, not 11
  EXPECT_EQ(Ean13CheckDigit("978030640615"), '7');
  EXPECT_EQ(Ean13CheckDigit("978080442957"), '3');
  EXPECT_EQ(Ean13CheckDigit("400638133393"), '1');
  EXPECT_EQ(Ean13CheckDigit("978000000000"), '2');
  EXPECT_EQ(Ean13CheckDigit("000000000000"), '0');  // sum divisible by 10 gives 0, not 10

  EXPECT_TRUE(IsValidIsbn10("0306406152"));
  EXPECT_TRUE(IsValidIsbn10("080442957X"));
  EXPECT_TRUE(IsValidIsbn10("080442957x"));
  EXPECT_FALSE(IsValidIsbn10("0306406153"));
  EXPECT_FALSE(IsValidIsbn10("X306406152"));  // X only as check character
  EXPECT_FALSE(IsValidIsbn10("0-306-40615-2"));  // compact form only
  EXPECT_FALSE(IsValidIsbn10("030640615"));
  EXPECT_TRUE(IsValidEan13("9780306406157"));
  EXPECT_FALSE(IsValidEan13("9780306406158"));
  EXPECT_FALSE(IsValidEan13("978030640615X"));
  EXPECT_EQ(CompactNumber(" 0-306 40615-2 "), "0306406152");
}

TEST(BookNumbers, ConvertsValidNumbersAndNeverRepairsOthers) {
  auto to13 = [](const char* n) { return ConvertBookNumber(n, Direction::kToEan13); };
  auto to10 = [](const char* n) { return ConvertBookNumber(n, Direction::kToIsbn10); };

  auto r = to13("0-306-40615-2");
  EXPECT_EQ(r.outcome, NumberConversion::kConverted);
  EXPECT_EQ(r.number, "9780306406157");
  EXPECT_EQ(to13("0 8044 2957 x").number, "9780804429573");
  r = to10("978-0-8044-2957-3");
  EXPECT_EQ(r.outcome, NumberConversion::kConverted);
  EXPECT_EQ(r.number, "080442957X");  // upper-case X
  EXPECT_EQ(to10("9780306406157").number, "0306406152");

  // Already in the target form: unchanged, not an error.
  EXPECT_EQ(to13("9780306406157").outcome, NumberConversion::kUnchanged);
  EXPECT_EQ(to13("9791090636071").outcome, NumberConversion::kUnchanged);
  EXPECT_EQ(to10("0306406152").outcome, NumberConversion::kUnchanged);

  struct Bad {
    const char* number;
    Direction direction;
    const char* reason;
  } bad[] = {
      {"0306406153", Direction::kToEan13, "wrong check digit"},
      {"0306406153", Direction::kToIsbn10, "wrong check digit"},
      {"9780306406158", Direction::kToIsbn10, "wrong check digit"},
      {"9780306406158", Direction::kToEan13, "wrong check digit"},
      {"9791090636071", Direction::kToIsbn10, "979 number has no ISBN-10"},
      {"4006381333931", Direction::kToIsbn10, "not a book number (prefix 400)"},
      {"4006381333931", Direction::kToEan13, "not a book number (prefix 400)"},
      {"030640615", Direction::kToEan13, "wrong length (9 characters)"},
      {"03064061522", Direction::kToEan13, "wrong length (11 characters)"},
      {"0306O06152", Direction::kToEan13, "invalid character"},
      {"03064061X2", Direction::kToEan13, "invalid character"},
      {"0306406152;", Direction::kToEan13, "invalid character"},
      {"  - ", Direction::kToEan13, "no book number"},
  };
  for (const auto& b : bad) {
    r = ConvertBookNumber(b.number, b.direction);
    EXPECT_EQ(r.outcome, NumberConversion::kError) << b.number;
    EXPECT_EQ(r.reason, b.reason) << b.number;
    EXPECT_TRUE(r.number.empty()) << b.number;
  }
}

TEST(BookNumbers, EveryIsbn10SurvivesTheRoundTrip) {
  // A sweep over title numbers of several groups, all check characters 0..9 and X included.
  int xChecks = 0;
  for (long i = 0; i < 20000; ++i) {
    std::string nine = std::to_string(100000000L + (i * 7919L) % 900000000L);
    const std::string isbn = nine + Isbn10CheckDigit(nine);
    xChecks += isbn.back() == 'X';
    const auto ean = ConvertBookNumber(isbn, Direction::kToEan13);
    ASSERT_EQ(ean.outcome, NumberConversion::kConverted) << isbn;
    ASSERT_TRUE(IsValidEan13(ean.number)) << isbn;
    ASSERT_EQ(ean.number.substr(0, 3), "978");
    const auto back = ConvertBookNumber(ean.number, Direction::kToIsbn10);
    ASSERT_EQ(back.number, isbn);
    // One wrong digit anywhere is always caught.
    std::string typo = isbn;
    typo[i % 9] = typo[i % 9] == '9' ? '0' : static_cast<char>(typo[i % 9] + 1);
    ASSERT_EQ(ConvertBookNumber(typo, Direction::kToEan13).outcome, NumberConversion::kError) << typo;
  }
  EXPECT_GT(xChecks, 1000);  // about one in eleven
}

TEST(DataFileConversion, ConvertsRecordsInPlaceAndReportsEveryRefusal) {
  const std::string file =
      "0-306-40615-2;De reis;3;12,95\r\n"
      "0306406153;Fout;1;1,00\r\n"
      "\r\n"
      "9780306406157;Al omgezet\r\n"
      "080442957X\n"
      "12345;Kort;1\r\n"
      "  0 8044 2957 x ;blanks\r\n"
      "9791090636071;979";
  FileConversion c = ConvertDataFile(file, Direction::kToEan13);
  EXPECT_EQ(c.bytes,
            "9780306406157;De reis;3;12,95\r\n"
            "0306406153;Fout;1;1,00\r\n"
            "\r\n"
            "9780306406157;Al omgezet\r\n"
            "9780804429573\n"
            "12345;Kort;1\r\n"
            "9780804429573;blanks\r\n"
            "9791090636071;979");
  EXPECT_EQ(c.converted, 3);
  EXPECT_EQ(c.unchanged, 2);
  EXPECT_EQ(c.errors, 2);
  ASSERT_EQ(c.errorLines.size(), 2u);
  EXPECT_EQ(c.errorLines[0], "ERROR line 2: 0306406153: wrong check digit");
  EXPECT_EQ(c.errorLines[1], "ERROR line 6: 12345: wrong length (5 characters)");

  // Back again: the converted numbers return in compact form, the 979 number is refused.
  FileConversion back = ConvertDataFile(c.bytes, Direction::kToIsbn10);
  EXPECT_EQ(back.converted, 4);
  EXPECT_EQ(back.errors, 3);
  EXPECT_EQ(back.errorLines.back(), "ERROR line 8: 9791090636071: 979 number has no ISBN-10");
  EXPECT_EQ(back.bytes.substr(0, 30), "0306406152;De reis;3;12,95\r\n03");

  EXPECT_EQ(ConvertDataFile("", Direction::kToEan13).bytes, "");
}
