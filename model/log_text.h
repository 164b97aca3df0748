// The text of the log view: appended at its end, trimmed at its start, counted in
// characters (code points) and never cut inside one. Appending and trimming cost the size
// of the change, not of the whole text.
#pragma once

#include <cstddef>
#include <string>
#include <string_view>

namespace druvo {

class LogText {
 public:
  void Append(std::string_view utf8);
  /// Keeps the last `chars` characters; returns the text removed from the start.
  std::string KeepLast(std::size_t chars);
  void Clear();

  std::string Text() const { return buf_.substr(start_); }
  std::string_view View() const { return std::string_view(buf_).substr(start_); }
  std::size_t Chars() const { return chars_; }
  std::size_t Bytes() const { return buf_.size() - start_; }

 private:
  std::string buf_;
  std::size_t start_ = 0;  // bytes of buf_ that were trimmed but not yet released
  std::size_t chars_ = 0;
};

}  // namespace druvo
