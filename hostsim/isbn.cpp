#include "hostsim/isbn.h"

#include <algorithm>

namespace hostsim {

namespace {

bool AllDigits(std::string_view s) {
  return std::all_of(s.begin(), s.end(), [](char c) { return c >= '0' && c <= '9'; });
}

bool IsIsbn10Shape(std::string_view s) {
  return s.size() == 10 && AllDigits(s.substr(0, 9)) &&
         ((s[9] >= '0' && s[9] <= '9') || s[9] == 'X' || s[9] == 'x');
}

char Upper(char c) { return c == 'x' ? 'X' : c; }

NumberConversion Error(std::string reason) {
  NumberConversion r;
  r.outcome = NumberConversion::kError;
  r.reason = std::move(reason);
  return r;
}

NumberConversion Converted(std::string number) {
  NumberConversion r;
  r.outcome = NumberConversion::kConverted;
  r.number = std::move(number);
  return r;
}

NumberConversion Unchanged() {
  NumberConversion r;
  r.outcome = NumberConversion::kUnchanged;
  return r;
}

}  // namespace

std::string CompactNumber(std::string_view field) {
  std::string out;
  for (char c : field)
    if (c != '-' && c != ' ') out += c;
  return out;
}

char Isbn10CheckDigit(std::string_view nine) {
  int sum = 0;
  for (int i = 0; i < 9; ++i) sum += (nine[i] - '0') * (10 - i);
  const int check = (11 - sum % 11) % 11;
  return check == 10 ? 'X' : static_cast<char>('0' + check);
}

char Ean13CheckDigit(std::string_view twelve) {
  int sum = 0;
  for (int i = 0; i < 12; ++i) sum += (twelve[i] - '0') * (i % 2 == 0 ? 1 : 3);
  return static_cast<char>('0' + (10 - sum % 10) % 10);
}

bool IsValidIsbn10(std::string_view s) {
  return IsIsbn10Shape(s) && Isbn10CheckDigit(s.substr(0, 9)) == Upper(s[9]);
}

bool IsValidEan13(std::string_view s) {
  return s.size() == 13 && AllDigits(s) && Ean13CheckDigit(s.substr(0, 12)) == s[12];
}

NumberConversion ConvertBookNumber(std::string_view field, Direction direction) {
  const std::string n = CompactNumber(field);
  if (n.empty()) return Error("no book number");

  if (n.size() == 10) {
    if (!IsIsbn10Shape(n)) return Error("invalid character");
    if (!IsValidIsbn10(n)) return Error("wrong check digit");
    if (direction == Direction::kToIsbn10) return Unchanged();
    const std::string twelve = "978" + n.substr(0, 9);
    return Converted(twelve + Ean13CheckDigit(twelve));
  }

  if (n.size() == 13) {
    if (!AllDigits(n)) return Error("invalid character");
    if (!IsValidEan13(n)) return Error("wrong check digit");
    const std::string prefix = n.substr(0, 3);
    if (prefix != "978" && prefix != "979") return Error("not a book number (prefix " + prefix + ")");
    if (direction == Direction::kToEan13) return Unchanged();
    if (prefix == "979") return Error("979 number has no ISBN-10");
    const std::string nine = n.substr(3, 9);
    return Converted(nine + Isbn10CheckDigit(nine));
  }

  const bool plausible = std::all_of(n.begin(), n.end(), [](char c) {
    return (c >= '0' && c <= '9') || c == 'X' || c == 'x';
  });
  return Error(plausible ? "wrong length (" + std::to_string(n.size()) + " characters)"
                         : "invalid character");
}

}  // namespace hostsim
