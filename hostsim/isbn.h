// Book numbers: ISBN-10 and EAN-13 (the "Bookland" 978/979 ranges), checked and converted.
// Used by the stand-in conversion utility and the demo generator.
#pragma once

#include <string>
#include <string_view>

namespace hostsim {

/// The number with its hyphens and blanks taken out (they are accepted on input).
std::string CompactNumber(std::string_view field);

/// The ISBN-10 check character of nine digits: '0'..'9' or 'X' (for 10).
/// Precondition: `nine` is exactly nine ASCII digits.
char Isbn10CheckDigit(std::string_view nine);

/// The EAN-13 check digit of twelve digits. Precondition: twelve ASCII digits.
char Ean13CheckDigit(std::string_view twelve);

/// Nine digits and a right check character ('X' or 'x' for 10). Compact form only.
bool IsValidIsbn10(std::string_view compact);

/// Thirteen digits with a right check digit, any prefix. Compact form only.
bool IsValidEan13(std::string_view compact);

enum class Direction {
  kToEan13,   // "13": ISBN-10 -> 978 EAN-13
  kToIsbn10,  // "10": 978 EAN-13 -> ISBN-10
};

/// What became of one book number.
struct NumberConversion {
  enum Outcome { kConverted, kUnchanged, kError } outcome = kError;
  std::string number;  // the new number (compact) when converted
  std::string reason;  // why not, for kError
};

/// Converts one book number field. The number is validated first and never repaired: a
/// wrong check digit, a wrong length, a stray character, a 979 number towards ISBN-10 or an
/// EAN-13 outside the book ranges is an error. A valid number already in the target form
/// is left unchanged.
NumberConversion ConvertBookNumber(std::string_view field, Direction direction);

}  // namespace hostsim
