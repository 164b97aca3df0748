// Appending a text file to the log view.
#pragma once

#include <string>
#include <string_view>
#include <vector>

namespace druvo {

class MainWindow;

/// Splits 8-bit text into lines: a line ends at CR, at CR LF, or at a lone LF; the last
/// line is read also without a terminator. NUL bytes become blanks.
std::vector<std::string> SplitLines(std::string_view bytes);

/// Reads a text file in the system code page, as lines in UTF-8; false when it cannot be
/// opened.
bool ReadTextLines(const std::string& path, std::vector<std::string>& lines);

/// Appends the file's lines to the log view, one by one, counting lines that begin with
/// "ERROR" (any case) into the error count (at most 32,767), keeping the view at its newest
/// 50,000 characters and the caret at the end. A file that cannot be opened is skipped.
void AppendLogToView(MainWindow& w, const std::string& path);

}  // namespace druvo
