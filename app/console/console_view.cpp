#include "app/console/console_view.h"

#include <cctype>

namespace druvo {

ConsoleView::ConsoleView(ConsoleAnswers answers, std::FILE* out, std::FILE* err, std::FILE* in)
    : answers_(answers), out_(out), err_(err), in_(in) {}

void ConsoleView::SetText(Control box, const std::string& text) {
  text_[box] = text;
  if (box == Control::txtBezig) {
    std::fflush(out_);
    std::fprintf(err_, "[status] %s\n", text.c_str());
    std::fflush(err_);
  }
}

void ConsoleView::LogAppended(std::string_view text) {
  // Flushed with every status line and question, not per line: a per-file log of a few
  // hundred lines would otherwise cost as many writes.
  std::fwrite(text.data(), 1, text.size(), out_);
}

Answer ConsoleView::Ask(const std::string& text, Buttons buttons) {
  std::fflush(out_);
  std::fprintf(err_, "[DRUVO] %s\n", text.c_str());
  Answer yes = buttons == Buttons::kYesNo ? Answer::kYes : Answer::kOk;
  Answer no = buttons == Buttons::kYesNo ? Answer::kNo : Answer::kCancel;
  Answer a = yes;
  if (buttons == Buttons::kOk) {
    a = Answer::kOk;
  } else if (answers_ == ConsoleAnswers::kYes) {
    a = yes;
  } else if (answers_ == ConsoleAnswers::kNo) {
    a = no;
  } else {
    // Nothing is in flight while a question waits: Ctrl-C ends the program at once, as at
    // any prompt, rather than asking a run that waits for the answer to stop later.
    if (interrupts) interrupts->EndAtOnce();
    for (;;) {
      std::fprintf(err_, buttons == Buttons::kYesNo ? "(j)a / (n)ee ? " : "(o)k / (a)nnuleren ? ");
      std::fflush(err_);
      char line[64];
      if (!std::fgets(line, sizeof line, in_)) {
        a = no;
        break;
      }
      int c = std::tolower(static_cast<unsigned char>(line[0]));
      if (c == 'j' || c == 'o' || c == 'y') {
        a = yes;
        break;
      }
      if (c == 'n' || c == 'a' || c == 'c') {
        a = no;
        break;
      }
    }
    if (interrupts) interrupts->StopAfterFile();
  }
  const char* names[] = {"OK", "Annuleren", "Ja", "Nee"};
  std::fprintf(err_, "[antwoord] %s\n", names[static_cast<int>(a)]);
  std::fflush(err_);
  return a;
}

}  // namespace druvo
