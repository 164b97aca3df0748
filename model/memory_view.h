// An in-memory window for tests: text boxes as strings, scripted answers to message boxes,
// and a record of every message box and every status line.
#pragma once

#include <deque>
#include <functional>
#include <map>
#include <string>
#include <utility>
#include <vector>

#include "model/view.h"

namespace druvo {

class MemoryView : public View {
 public:
  struct Box {
    std::string text;
    Buttons buttons;
    Answer answer;
  };

  MemoryView();

  std::string Text(Control box) override;
  void SetText(Control box, const std::string& text) override;
  bool IsOption1Selected() override { return option1; }
  void SetEnabled(Control button, bool enabled) override {
    enabled_[button] = enabled;
    enableCalls.emplace_back(button, enabled);
  }
  void SetFocus(Control control) override { focus = control; }
  Answer Ask(const std::string& text, Buttons buttons) override;
  void Repaint() override { ++repaints; }
  void DoEvents() override;
  void LogAppended(std::string_view text) override { log += text; }
  void LogTrimmed(std::string_view removed) override;
  void LogCaretToEnd() override { caretAtEnd = log.size(); ++caretMoves; }
  bool PutOnClipboard(const std::string& text) override;
  void Quit() override { quit = true; }
  void Progress(int done, int total) override { progress.emplace_back(done, total); }

  bool IsEnabled(Control button) const;

  /// Answers given to the next message boxes, in order; when none is left the box is
  /// answered with its first button (OK or Yes).
  std::deque<Answer> answers;
  /// Every message box shown.
  std::vector<Box> boxes;
  /// Every text written to txtBezig, in order.
  std::vector<std::string> statusLines;
  /// Called at every DoEvents (a test can type into a box in the middle of a run).
  std::function<void()> onEvents;

  /// Every Progress call (done, total), in order.
  std::vector<std::pair<int, int>> progress;
  /// Every SetEnabled call, in order.
  std::vector<std::pair<Control, bool>> enableCalls;

  bool option1 = true;
  Control focus = Control::Option1;
  std::string log;              // mirror of the log view, kept by LogAppended/LogTrimmed
  std::size_t caretAtEnd = 0;   // log size when the caret was last moved to the end
  int caretMoves = 0;
  int repaints = 0;
  int events = 0;
  bool quit = false;
  bool hasClipboard = true;
  std::string clipboard;
  int clipboardWrites = 0;

 private:
  std::map<Control, std::string> text_;
  std::map<Control, bool> enabled_;
};

}  // namespace druvo
