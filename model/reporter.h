// What the parts of a run below the Start tell while they work: text for the log view, the
// error tally, the status line, and the window's events. The window and the console each
// tell it their own way (MainWindow, through its View); nothing here asks or decides.
#pragma once

#include <cstdint>
#include <string>
#include <string_view>

namespace druvo {

/// The error tally never passes this.
constexpr std::int16_t kMaxErrorCount = 32767;

class Reporter {
 public:
  virtual ~Reporter() = default;

  /// Appends text to the log view as it is (no line end added).
  virtual void LogAppend(std::string_view text) = 0;
  /// Keeps the log view at its newest 50,000 characters.
  virtual void LogCap() = 0;
  /// Moves the log view's caret to the end of its text, so that the newest line shows.
  virtual void LogCaretToEnd() = 0;
  /// Counts one more line that reports an error; the tally stays at kMaxErrorCount.
  virtual void CountError() = 0;
  /// Sets the status line.
  virtual void SetStatus(const std::string& text) = 0;
  /// Repaints the window without handling other events.
  virtual void Repaint() = 0;
  /// Lets the window's pending events run once.
  virtual void DoEvents() = 0;

  /// Appends the text as a line of its own, keeps the cap and shows the end.
  void LogLine(const std::string& text) {
    LogAppend(text + "\r\n");
    LogCap();
    LogCaretToEnd();
  }
  /// Appends "ERROR: " + text as a line of its own and counts it, as the utility's ERROR
  /// lines are counted.
  void LogError(const std::string& text) {
    LogLine("ERROR: " + text);
    CountError();
  }
};

}  // namespace druvo
