// The console front end's window: the text boxes are kept in memory, the status line goes
// to stderr whenever it changes, the log view's text to stdout as it grows, and questions
// are answered by --yes / --no or on the terminal.
#pragma once

#include <cstdio>
#include <map>
#include <string>

#include "app/console/interrupts.h"
#include "model/view.h"

namespace druvo {

enum class ConsoleAnswers { kAsk, kYes, kNo };

class ConsoleView : public View {
 public:
  ConsoleView(ConsoleAnswers answers, std::FILE* out, std::FILE* err, std::FILE* in);

  std::string Text(Control box) override { return text_[box]; }
  void SetText(Control box, const std::string& text) override;
  bool IsOption1Selected() override { return option1; }
  void SetEnabled(Control, bool) override {}
  void SetFocus(Control) override {}
  Answer Ask(const std::string& text, Buttons buttons) override;
  void Repaint() override {}
  void DoEvents() override {}
  void LogAppended(std::string_view text) override;
  void LogTrimmed(std::string_view) override {}
  void LogCaretToEnd() override {}
  bool PutOnClipboard(const std::string&) override { return false; }
  void Quit() override {}

  bool option1 = true;
  /// Set during a run: while a question waits at the terminal, Ctrl-C ends the program.
  Interrupts* interrupts = nullptr;

 private:
  ConsoleAnswers answers_;
  std::FILE* out_;
  std::FILE* err_;
  std::FILE* in_;
  std::map<Control, std::string> text_;
};

}  // namespace druvo
