// Appending a text file to the log view.
#pragma once

#include <cstddef>
#include <functional>
#include <string>
#include <string_view>
#include <vector>

namespace druvo {

class Reporter;

/// Receives a line, or one part of a long line, without its terminator: `begins` on its
/// first part, `ends` on its last (a line of at most the part size comes in one call).
using LinePartSink = std::function<void(std::string_view part, bool begins, bool ends)>;

/// Splits 8-bit text fed in pieces of any size into lines: a line ends at CR, at CR LF
/// (also when a piece ends between the two), or at a lone LF; the last line is read also
/// without a terminator. NUL bytes become blanks. A line longer than `maxPart` bytes is
/// handed in parts, so memory stays bounded whatever the input.
class LineSplitter {
 public:
  static constexpr std::size_t kMaxPart = 64 * 1024;

  explicit LineSplitter(LinePartSink sink, std::size_t maxPart = kMaxPart);
  void Feed(std::string_view bytes);
  /// Hands the last line when it has no terminator.
  void Finish();

 private:
  void Hand(bool ends);

  LinePartSink sink_;
  std::size_t maxPart_;
  std::string line_;
  bool begun_ = false;    // a part of the current line was handed already
  bool afterCr_ = false;  // the last byte was a CR: a LF now belongs to it
};

/// The lines of 8-bit text, as LineSplitter splits them (whole, however long).
std::vector<std::string> SplitLines(std::string_view bytes);

/// Reads a text file in the system code page in pieces and hands its lines in UTF-8 to
/// `sink` as LineSplitter does. False when the file is missing, cannot be opened or is not
/// a regular file (a folder, FIFO or device): nothing is handed then.
bool ForEachLogLine(const std::string& path, const LinePartSink& sink);

/// Appends the file's lines to the log view, one by one, counting lines that begin with
/// "ERROR" (any case) into the error count (at most 32,767), keeping the view at its newest
/// 50,000 characters and the caret at the end. A file that cannot be opened or is not a
/// regular file is skipped. Memory stays bounded whatever the file's size.
void AppendLogToView(Reporter& log, const std::string& path);

}  // namespace druvo
