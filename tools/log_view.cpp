#include "tools/log_view.h"

#include "model/reporter.h"
#include "sys/codepage.h"
#include "sys/fs.h"
#include "sys/text.h"

namespace druvo {

LineSplitter::LineSplitter(LinePartSink sink, std::size_t maxPart)
    : sink_(std::move(sink)), maxPart_(maxPart == 0 ? 1 : maxPart) {}

void LineSplitter::Hand(bool ends) {
  sink_(line_, !begun_, ends);
  line_.clear();
  begun_ = !ends;
}

void LineSplitter::Feed(std::string_view bytes) {
  std::size_t i = 0;
  while (i < bytes.size()) {
    const char c = bytes[i];
    if (afterCr_) {
      afterCr_ = false;
      if (c == '\n') {
        ++i;
        continue;
      }
    }
    if (c == '\r' || c == '\n') {
      // CR, CR LF and a lone LF each end one line: the host's tools write CR LF, but a log
      // copied through another system arrives with LF only and must not become one line.
      Hand(true);
      afterCr_ = c == '\r';
      ++i;
      continue;
    }
    // The run of ordinary bytes up to the next terminator, or as much as the part holds.
    std::size_t end = bytes.find_first_of("\r\n", i);
    if (end == std::string_view::npos) end = bytes.size();
    end = std::min(end, i + (maxPart_ - line_.size()));
    const std::size_t from = line_.size();
    line_.append(bytes.substr(i, end - i));
    // A text box ends its text at a NUL, so a NUL would hide the rest of the view.
    for (std::size_t k = from; k < line_.size(); ++k)
      if (line_[k] == '\0') line_[k] = ' ';
    i = end;
    if (line_.size() == maxPart_) Hand(false);
  }
}

void LineSplitter::Finish() {
  if (!line_.empty() || begun_) Hand(true);
  afterCr_ = false;
}

std::vector<std::string> SplitLines(std::string_view bytes) {
  std::vector<std::string> lines;
  std::string line;
  LineSplitter splitter(
      [&](std::string_view part, bool, bool ends) {
        line += part;
        if (!ends) return;
        lines.push_back(std::move(line));
        line.clear();
      },
      bytes.size() + 1);
  splitter.Feed(bytes);
  splitter.Finish();
  return lines;
}

bool ForEachLogLine(const std::string& path, const LinePartSink& sink) {
  LineSplitter splitter([&](std::string_view part, bool begins, bool ends) {
    // Nearly every line is plain ASCII, the same in the code page and in UTF-8: handed on as
    // it is (a 1 GiB file's log has some 270,000 lines).
    bool ascii = true;
    for (unsigned char b : part) ascii = ascii && b < 0x80;
    if (ascii) sink(part, begins, ends);
    else sink(sys::FromCodePage(part), begins, ends);
  });
  if (!sys::ReadFileInPieces(path, LineSplitter::kMaxPart,
                             [&](std::string_view piece) { splitter.Feed(piece); }))
    return false;
  splitter.Finish();
  return true;
}

void AppendLogToView(Reporter& log, const std::string& path) {
  // A long line goes to the view in parts: the view keeps its newest characters in the
  // end just as if the line had come whole, and memory stays bounded.
  std::string text;  // one buffer for every line
  ForEachLogLine(path, [&](std::string_view part, bool begins, bool ends) {
    text.assign(part);
    if (ends) text += "\r\n";
    log.LogAppend(text);
    log.DoEvents();
    if (begins && text::Upper(text::FirstChars(part, 5)) == "ERROR") log.CountError();
    log.LogCap();
    log.LogCaretToEnd();
  });
  log.DoEvents();
}

}  // namespace druvo
