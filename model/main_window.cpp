#include "model/main_window.h"

#include "model/browse.h"
#include "sys/env.h"
#include "sys/text.h"

namespace druvo {

Services RealServices() {
  Services s;
  s.secondsSinceMidnight = sys::SecondsSinceMidnight;
  s.now = sys::Now;
  s.queryDiskFree = sys::QueryDiskFree;
  s.rename = sys::RenameNoReplace;
  auto helpdesk = sys::GetVariable("DRUVO_HELPDESK");
  auto relay = sys::GetVariable("DRUVO_SMTP_RELAY");
  s.helpdesk = helpdesk && !helpdesk->empty() ? *helpdesk : DRUVO_DEFAULT_HELPDESK;
  s.relay = relay && !relay->empty() ? *relay : DRUVO_DEFAULT_SMTP_RELAY;
  return s;
}

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

void MainWindow::LogLine(const std::string& text) {
  LogAppend(text + "\r\n");
  LogCap();
  LogCaretToEnd();
}

void MainWindow::LogError(const std::string& text) {
  LogLine("ERROR: " + text);
  if (errorCount < INT16_MAX) ++errorCount;
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
