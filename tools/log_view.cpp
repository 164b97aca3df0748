#include "tools/log_view.h"

#include "model/main_window.h"
#include "sys/codepage.h"
#include "sys/fs.h"
#include "sys/text.h"

namespace druvo {

std::vector<std::string> SplitLines(std::string_view bytes) {
  std::vector<std::string> lines;
  std::string line;
  for (std::size_t i = 0; i < bytes.size(); ++i) {
    char c = bytes[i];
    if (c == '\r' || c == '\n') {
      // CR, CR LF and a lone LF each end one line: the host's tools write CR LF, but a log
      // copied through another system arrives with LF only and must not become one line.
      lines.push_back(line);
      line.clear();
      if (c == '\r' && i + 1 < bytes.size() && bytes[i + 1] == '\n') ++i;
    } else {
      // A text box ends its text at a NUL, so a NUL would hide the rest of the view.
      line += c == '\0' ? ' ' : c;
    }
  }
  if (!line.empty()) lines.push_back(line);
  return lines;
}

bool ReadTextLines(const std::string& path, std::vector<std::string>& lines) {
  std::string bytes;
  if (!sys::ReadWholeFile(path, bytes)) return false;
  lines = SplitLines(bytes);
  for (auto& l : lines) l = sys::FromCodePage(l);
  return true;
}

void AppendLogToView(MainWindow& w, const std::string& path) {
  std::vector<std::string> lines;
  if (!ReadTextLines(path, lines)) return;
  for (const std::string& line : lines) {
    w.LogAppend(line + "\r\n");
    w.view.DoEvents();
    if (text::Upper(text::FirstChars(line, 5)) == "ERROR" && w.errorCount < 32767) ++w.errorCount;
    w.LogCap();
    w.LogCaretToEnd();
  }
  w.view.DoEvents();
}

}  // namespace druvo
