// Text helpers. Text is UTF-8 inside the program; see codepage.h for the 8-bit files.
#pragma once

#include <cstddef>
#include <string>
#include <string_view>

namespace text {

/// Upper-cases ASCII letters and the Latin-1 letters (à..þ except ÷), leaving
/// everything else as it is. File names built by the program are upper-cased with this.
std::string Upper(std::string_view s);

/// Removes leading and trailing blanks (space and tab).
std::string Trim(std::string_view s);

/// Number of code points in valid UTF-8 (continuation bytes are not counted).
std::size_t CountChars(std::string_view utf8);

/// Byte offset of the code point with index `chars` (or s.size() when there are fewer).
std::size_t OffsetOfChar(std::string_view utf8, std::size_t chars);

/// Number of UTF-16 code units that `utf8` needs.
std::size_t CountUtf16Units(std::string_view utf8);

/// The first `n` code points of `s` (all of it when shorter).
std::string FirstChars(std::string_view s, std::size_t n);

/// Whether `s` starts with `prefix`, after upper-casing the first chars of `s`.
bool UpperStartsWith(std::string_view s, std::string_view prefix);

/// Whether `s` holds a character that cannot stand in a Windows file name (\ / : * ? " < > |
/// or a control character); the wildcards among them would make a search match other files.
bool UnsafeInFileName(std::string_view s);

}  // namespace text
