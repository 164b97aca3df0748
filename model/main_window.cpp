#include "model/main_window.h"

#include <algorithm>

#include "model/browse.h"
#include "sys/env.h"
#include "sys/text.h"

namespace druvo {

MainWindow::MainWindow(View& v, Services s) : view(v), services(std::move(s)) {}

void MainWindow::Load() {
  errorCount = 0;
  lastIndex = 31;
  sDBPath = FindEnvironmentPath("QMVDIR");
  sExePath = sys::WorkingDirectory();
  view.SetText(Control::txtExePath, sExePath);
  dataFileSuffix = GetDataFileSuffix();
  LoadFileCatalogue(catalogue);
  view.DoEvents();
}

std::string MainWindow::FindEnvironmentPath(const std::string& name) {
  std::string result;
  const std::size_t n = text::CountChars(name);
  for (std::int16_t position = 1;; ++position) {
    std::string entry = sys::EnvironmentEntry(position);
    if (text::Upper(text::FirstChars(entry, n)) == name) {
      result = sys::GetVariable(name).value_or("");
      view.SetText(Control::txtDatabasePath, result);
      break;
    }
    if (entry.empty() || position == INT16_MAX) break;
  }
  return result;
}

std::string MainWindow::GetDataFileSuffix() {
  std::string typed = view.Text(Control::txtExtensie);
  if (text::CountChars(typed) == 2) return ".D" + typed;
  return ".DAT";
}

void MainWindow::ClickStop() { EndProgram(); }

void MainWindow::EndProgram() {
  view.Quit();
  throw ProgramEnded{};
}

void MainWindow::ClickBrowseProg() { BrowseForFolder(*this, true); }
void MainWindow::ClickBrowseData() { BrowseForFolder(*this, false); }

void MainWindow::LogAppend(std::string_view text) {
  if (text.empty()) return;
  log.Append(text);
  view.LogAppended(text);
}

void MainWindow::LogCap() {
  std::string removed = log.KeepLast(kLogCap);
  if (!removed.empty()) view.LogTrimmed(removed);
}

void MainWindow::LogCaretToEnd() { view.LogCaretToEnd(); }

void MainWindow::CountError() {
  if (errorCount < kMaxErrorCount) ++errorCount;
}

int MainWindow::LastEntry() const { return std::min<int>(lastIndex, kCatalogueSize - 1); }

RunSettings MainWindow::Settings() const {
  RunSettings s;
  s.programFolder = sExePath;
  s.databaseFolder = sDBPath;
  s.suffix = dataFileSuffix;
  s.digits = directionDigits;
  s.customer = customerNumber;
  s.catalogue = catalogue;
  s.lastEntry = LastEntry();
  return s;
}

void MainWindow::RefuseCommand(const std::string& message, RunOutcome why) {
  view.Ask(message, Buttons::kOk);
  view.SetEnabled(Control::btnCancel, true);
  view.SetEnabled(Control::btnStart, true);
  outcome = why;
}

void MainWindow::OnLogEditedByUser(const std::string& text) {
  log.Clear();
  log.Append(text);
}

}  // namespace druvo
