#include "model/memory_view.h"

namespace druvo {

MemoryView::MemoryView() {
  text_[Control::txtExtensie] = "AT";
  for (Control c : {Control::btnStart, Control::btnCancel, Control::txtExePath,
                    Control::txtDatabasePath, Control::btnBrowseProg, Control::btnBrowseData})
    enabled_[c] = true;
}

std::string MemoryView::Text(Control box) { return text_[box]; }

void MemoryView::SetText(Control box, const std::string& text) {
  text_[box] = text;
  if (box == Control::txtBezig) statusLines.push_back(text);
}

Answer MemoryView::Ask(const std::string& text, Buttons buttons) {
  Answer a = buttons == Buttons::kYesNo ? Answer::kYes : Answer::kOk;
  if (!answers.empty()) {
    a = answers.front();
    answers.pop_front();
  }
  boxes.push_back({text, buttons, a});
  return a;
}

void MemoryView::DoEvents() {
  ++events;
  if (onEvents) onEvents();
}

void MemoryView::LogTrimmed(std::string_view removed) {
  if (log.compare(0, removed.size(), removed) == 0) log.erase(0, removed.size());
  else log = "<trim mismatch>";
}

bool MemoryView::PutOnClipboard(const std::string& text) {
  if (!hasClipboard) return false;
  clipboard = text;
  ++clipboardWrites;
  return true;
}

bool MemoryView::IsEnabled(Control button) const {
  auto it = enabled_.find(button);
  return it != enabled_.end() && it->second;
}

}  // namespace druvo
