#include "sys/text.h"

namespace text {

namespace {

bool IsContinuation(unsigned char c) { return (c & 0xC0) == 0x80; }

}  // namespace

std::string Upper(std::string_view s) {
  std::string out;
  out.reserve(s.size());
  for (std::size_t i = 0; i < s.size(); ++i) {
    unsigned char c = static_cast<unsigned char>(s[i]);
    if (c >= 'a' && c <= 'z') {
      out += static_cast<char>(c - 'a' + 'A');
    } else if (c == 0xC3 && i + 1 < s.size()) {
      // U+00E0..U+00FE are encoded C3 A0..C3 BE; their capitals are 0x20 lower.
      unsigned char d = static_cast<unsigned char>(s[i + 1]);
      out += static_cast<char>(c);
      out += static_cast<char>((d >= 0xA0 && d <= 0xBE && d != 0xB7) ? d - 0x20 : d);
      ++i;
    } else {
      out += static_cast<char>(c);
    }
  }
  return out;
}

std::string Trim(std::string_view s) {
  std::size_t b = 0, e = s.size();
  while (b < e && (s[b] == ' ' || s[b] == '\t')) ++b;
  while (e > b && (s[e - 1] == ' ' || s[e - 1] == '\t')) --e;
  return std::string(s.substr(b, e - b));
}

std::size_t CountChars(std::string_view utf8) {
  std::size_t n = 0;
  for (unsigned char c : utf8) n += !IsContinuation(c);
  return n;
}

std::size_t OffsetOfChar(std::string_view utf8, std::size_t chars) {
  std::size_t i = 0;
  while (i < utf8.size()) {
    if (!IsContinuation(static_cast<unsigned char>(utf8[i]))) {
      if (chars == 0) return i;
      --chars;
    }
    ++i;
  }
  return utf8.size();
}

std::size_t CountUtf16Units(std::string_view utf8) {
  std::size_t n = 0;
  for (unsigned char c : utf8) {
    if (!IsContinuation(c)) n += (c >= 0xF0) ? 2 : 1;
  }
  return n;
}

std::string FirstChars(std::string_view s, std::size_t n) {
  return std::string(s.substr(0, OffsetOfChar(s, n)));
}

bool UpperStartsWith(std::string_view s, std::string_view prefix) {
  std::string head = Upper(FirstChars(s, CountChars(prefix)));
  return head == prefix;
}

bool UnsafeInFileName(std::string_view s) {
  for (unsigned char c : s) {
    if (c < 0x20 || c == 0x7F) return true;
    if (std::string_view("\\/:*?\"<>|").find(static_cast<char>(c)) != std::string_view::npos)
      return true;
  }
  return false;
}

}  // namespace text
