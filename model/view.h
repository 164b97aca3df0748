// What the operations need of the on-screen window. Three implementations: the Win32
// window (app/win32), the console front end (app/console) and MemoryView for tests.
#pragma once

#include <string>
#include <string_view>

namespace druvo {

/// The controls of frmDRUVO that the program reads or writes, by their designed names.
enum class Control {
  txtKlantId,
  txtExtensie,
  txtExePath,
  txtDatabasePath,
  txtBezig,
  txtLog,
  Option1,
  Option2,
  btnStart,
  btnCancel,
  btnBrowseProg,
  btnBrowseData,
};

/// Button sets of a message box.
enum class Buttons { kOk, kOkCancel, kYesNo };

/// The button that closed a message box.
enum class Answer { kOk, kCancel, kYes, kNo };

class View {
 public:
  virtual ~View() = default;

  /// Text of a text box (not txtLog: the log view's text is kept by MainWindow).
  virtual std::string Text(Control box) = 0;
  virtual void SetText(Control box, const std::string& text) = 0;

  virtual bool IsOption1Selected() = 0;
  virtual void SetEnabled(Control button, bool enabled) = 0;
  virtual void SetFocus(Control control) = 0;

  /// A modal message box with no icon and the program's title; returns the pressed button.
  virtual Answer Ask(const std::string& text, Buttons buttons) = 0;

  /// Repaints the window without handling other events.
  virtual void Repaint() = 0;
  /// Lets the pending window events run once. The Win32 window lets them run at most once per
  /// event slice (some tens of milliseconds): a call within a slice of the last returns at once.
  virtual void DoEvents() = 0;

  /// The log view grew by `text` at its end. A view may gather these three and show them
  /// when its events run next (the Win32 window does), as long as it then shows the text
  /// they make.
  virtual void LogAppended(std::string_view text) = 0;
  /// The log view lost `removed` at its start (the cap of 50,000 characters).
  virtual void LogTrimmed(std::string_view removed) = 0;
  /// The log view's caret moves to the end of its text.
  virtual void LogCaretToEnd() = 0;

  /// Clears the system clipboard and puts text on it; false where there is no clipboard.
  virtual bool PutOnClipboard(const std::string& text) = 0;

  /// The program ends at once (Stop, or No to the disk-space question).
  virtual void Quit() = 0;

  /// The conversion loop is at entry `done` of `total` (0 of 0 clears it): shown on the
  /// task-bar button by the Win32 window; nothing else in the window changes.
  virtual void Progress(int /*done*/, int /*total*/) {}
};

}  // namespace druvo
