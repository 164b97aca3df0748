#include "app/main_window.h"
#include "run/start_command.h"
#include "sys/format.h"
#include "sys/fs.h"
#include "sys/text.h"

namespace druvo {

namespace {

// Shows the refusal with OK, focuses the box; the Start command then ends.
bool Refuse(MainWindow& w, const std::string& message, Control focus) {
  w.view.Ask(message, Buttons::kOk);
  w.view.SetFocus(focus);
  w.outcome = RunOutcome::kRefused;
  return false;
}

bool FoundAs(const std::string& path, const std::string& expected) {
  auto found = sys::FindPlainFile(path);
  return found && text::Upper(*found) == expected;
}

// A character that cannot stand in a Windows file name, or a wildcard: a suffix holding
// one would make the presence searches match other files than the catalogue's.
bool UnsafeInFileName(const std::string& s) {
  for (unsigned char c : s) {
    if (c < 0x20 || c == 0x7F) return true;
    if (std::string_view("\\/:*?\"<>|").find(static_cast<char>(c)) != std::string_view::npos)
      return true;
  }
  return false;
}

// A folder typed relative to the working folder (also "D:DATA") is made full now and
// shown so in its box: the run makes other folders current, and every later use of the
// folder (the disk check, the markers, DRUVO.Log) must mean the folder the user meant.
// Blanks alone stay as typed, for the checks to judge.
std::string FullFolder(View& v, Control box) {
  const std::string typed = v.Text(box);
  if (text::Trim(typed).empty()) return typed;
  std::string full = sys::FullPath(typed);
  if (full != typed) v.SetText(box, full);
  return full;
}

}  // namespace

bool StartChecks(MainWindow& w) {
  View& v = w.view;
  const std::string administration = v.Text(Control::txtExtensie);
  w.dataFileSuffix = SuffixFromAdministration(administration);
  if (UnsafeInFileName(administration))
    return Refuse(w, "Nummer administratie mag geen \\ / : * ? \" < > | bevatten !",
                  Control::txtExtensie);

  w.customerNumber = v.Text(Control::txtKlantId);
  if (text::Trim(w.customerNumber).empty())
    return Refuse(w, "Klantcode is verplicht !", Control::txtKlantId);

  w.sExePath = v.Text(Control::txtExePath);
  if (text::Trim(w.sExePath).empty())
    return Refuse(w, "Programma folder is verplicht !", Control::txtExePath);
  w.sExePath = FullFolder(v, Control::txtExePath);
  if (!FoundAs(w.sExePath + "\\QMV.EXE", "QMV.EXE"))
    return Refuse(w, "Geen goede programma folder; vereist bestand ontbreekt", Control::txtExePath);
  if (!FoundAs(w.sExePath + "\\RCX.EXE", "RCX.EXE"))
    return Refuse(w,
                  "Geen goede programma folder; vereist bestand ontbreekt / in verkeerde folder "
                  "geinstalleerd",
                  Control::txtExePath);

  w.sDBPath = FullFolder(v, Control::txtDatabasePath);
  const std::string trwmix = w.sDBPath + "\\TRWMIX.DAT";
  if (!FoundAs(trwmix, "TRWMIX.DAT"))
    return Refuse(w, "Geen goede database folder; vereist bestand ontbreekt",
                  Control::txtDatabasePath);

  auto modified = sys::LastModified(trwmix);
  if (!modified) {
    v.Ask("De datum van " + trwmix + " kan niet worden gelezen", Buttons::kOk);
    w.outcome = RunOutcome::kFailed;
    return false;
  }
  std::string question = "Database laatst gewijzigd op " +
                         sys::FormatDayMonthYearHourMinute(*modified) + " Is dit correct ?";
  if (v.Ask(question, Buttons::kOkCancel) != Answer::kOk) {
    w.outcome = RunOutcome::kNotConfirmed;
    return false;
  }

  v.SetEnabled(Control::btnCancel, false);
  v.SetEnabled(Control::btnStart, false);

  char drive = w.sDBPath.size() >= 2 && w.sDBPath[1] == ':' ? w.sDBPath[0] : 'C';
  if (!sys::SetCurrentDrive(drive) || !sys::SetCurrentFolder(w.sDBPath)) {
    // Nothing has been touched yet: say so and give both buttons back.
    v.Ask("De database folder " + w.sDBPath + " kan niet worden geopend", Buttons::kOk);
    v.SetEnabled(Control::btnCancel, true);
    v.SetEnabled(Control::btnStart, true);
    w.outcome = RunOutcome::kFailed;
    return false;
  }

  w.directionDigits = v.IsOption1Selected() ? "13" : "10";
  return true;
}

}  // namespace druvo
