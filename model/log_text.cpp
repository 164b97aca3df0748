#include "model/log_text.h"

#include "sys/text.h"

namespace druvo {

void LogText::Append(std::string_view utf8) {
  buf_.append(utf8);
  chars_ += text::CountChars(utf8);
}

std::string LogText::KeepLast(std::size_t chars) {
  if (chars_ <= chars) return {};
  std::size_t drop = text::OffsetOfChar(View(), chars_ - chars);
  std::string removed = buf_.substr(start_, drop);
  start_ += drop;
  chars_ = chars;
  // Release the dropped bytes once they outweigh the kept ones: amortised constant cost.
  if (start_ > buf_.size() - start_) {
    buf_.erase(0, start_);
    start_ = 0;
  }
  return removed;
}

void LogText::Clear() {
  buf_.clear();
  start_ = 0;
  chars_ = 0;
}

}  // namespace druvo
