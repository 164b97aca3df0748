#include "run/start_checks.h"

#include "model/main_window.h"
#include "sys/format.h"
#include "sys/fs.h"
#include "sys/text.h"

namespace druvo {

namespace {

// Shows the refusal with OK, focuses the box; the Start command then ends.
bool Refuse(MainWindow& w, const Refusal& refusal) {
  w.view.Ask(refusal.message, Buttons::kOk);
  w.view.SetFocus(refusal.focus);
  w.outcome = RunOutcome::kRefused;
  return false;
}

bool FoundAs(const std::string& path, const std::string& expected) {
  auto found = sys::FindPlainFile(path);
  return found && text::Upper(*found) == expected;
}

// A folder typed relative to the working folder (also "D:DATA") is made full now and
// shown so in its box: the run makes other folders current, and every later use of the
// folder (the disk check, the markers, DRUVO.Log) must mean the folder the user meant.
// Blanks alone stay as typed, for the checks to judge.
std::string FullFolder(View& v, Control box) {
  const std::string typed = v.Text(box);
  if (text::Trim(typed).empty()) return typed;
  // A drive alone ("D:") means its root, as the folder dialog's drive list gives it, not the
  // folder that happens to be current on that drive.
  const bool driveAlone = typed.size() == 2 && typed[1] == ':' &&
                          ((typed[0] >= 'A' && typed[0] <= 'Z') || (typed[0] >= 'a' && typed[0] <= 'z'));
  std::string full = sys::FullPath(driveAlone ? typed + "\\" : typed);
  if (full != typed) v.SetText(box, full);
  return full;
}

}  // namespace

std::optional<Refusal> CheckAdministration(const std::string& administration) {
  // A suffix holding a wildcard would make the presence searches match other files.
  if (text::UnsafeInFileName(administration))
    return Refusal{"Nummer administratie mag geen \\ / : * ? \" < > | bevatten !",
                   Control::txtExtensie};
  return std::nullopt;
}

std::optional<Refusal> CheckCustomer(const std::string& customer) {
  if (text::Trim(customer).empty()) return Refusal{"Klantcode is verplicht !", Control::txtKlantId};
  return std::nullopt;
}

std::optional<Refusal> CheckProgramFolder(const std::string& programFolder) {
  if (text::Trim(programFolder).empty())
    return Refusal{"Programma folder is verplicht !", Control::txtExePath};
  if (!FoundAs(programFolder + "\\QMV.EXE", "QMV.EXE"))
    return Refusal{"Geen goede programma folder; vereist bestand ontbreekt", Control::txtExePath};
  if (!FoundAs(programFolder + "\\RCX.EXE", "RCX.EXE"))
    return Refusal{
        "Geen goede programma folder; vereist bestand ontbreekt / in verkeerde folder "
        "geinstalleerd",
        Control::txtExePath};
  return std::nullopt;
}

std::optional<Refusal> CheckDatabaseFolder(const std::string& databaseFolder) {
  if (!FoundAs(DatabaseDateFile(databaseFolder), "TRWMIX.DAT"))
    return Refusal{"Geen goede database folder; vereist bestand ontbreekt",
                   Control::txtDatabasePath};
  return std::nullopt;
}

std::string DatabaseDateFile(const std::string& databaseFolder) {
  return databaseFolder + "\\TRWMIX.DAT";
}

std::string DatabaseDateText(const sys::LocalDateTime& modified) {
  return "Database laatst gewijzigd op " + sys::FormatDayMonthYearHourMinute(modified);
}

std::string UnreadableDateText(const std::string& databaseFolder) {
  return "De datum van " + DatabaseDateFile(databaseFolder) + " kan niet worden gelezen";
}

std::string UnopenableDatabaseText(const std::string& databaseFolder) {
  return "De database folder " + databaseFolder + " kan niet worden geopend";
}

void EnableFolderChoice(View& view, bool enabled) {
  for (Control c : {Control::txtExePath, Control::btnBrowseProg, Control::txtDatabasePath,
                    Control::btnBrowseData})
    view.SetEnabled(c, enabled);
}

bool StartChecks(MainWindow& w) {
  View& v = w.view;
  const std::string administration = v.Text(Control::txtExtensie);
  w.dataFileSuffix = SuffixFromAdministration(administration);
  if (auto r = CheckAdministration(administration)) return Refuse(w, *r);

  w.customerNumber = v.Text(Control::txtKlantId);
  if (auto r = CheckCustomer(w.customerNumber)) return Refuse(w, *r);

  w.sExePath = FullFolder(v, Control::txtExePath);
  if (auto r = CheckProgramFolder(w.sExePath)) return Refuse(w, *r);

  w.sDBPath = FullFolder(v, Control::txtDatabasePath);
  if (auto r = CheckDatabaseFolder(w.sDBPath)) return Refuse(w, *r);

  auto modified = sys::LastModified(DatabaseDateFile(w.sDBPath));
  if (!modified) {
    v.Ask(UnreadableDateText(w.sDBPath), Buttons::kOk);
    w.outcome = RunOutcome::kFailed;
    return false;
  }
  if (v.Ask(DatabaseDateText(*modified) + " Is dit correct ?", Buttons::kOkCancel) != Answer::kOk) {
    w.outcome = RunOutcome::kNotConfirmed;
    return false;
  }

  v.SetEnabled(Control::btnCancel, false);
  v.SetEnabled(Control::btnStart, false);
  EnableFolderChoice(v, false);

  char drive = w.sDBPath.size() >= 2 && w.sDBPath[1] == ':' ? w.sDBPath[0] : 'C';
  if (!sys::SetCurrentDrive(drive) || !sys::SetCurrentFolder(w.sDBPath)) {
    // Nothing has been touched yet: say so and give both buttons back.
    v.Ask(UnopenableDatabaseText(w.sDBPath), Buttons::kOk);
    v.SetEnabled(Control::btnCancel, true);
    v.SetEnabled(Control::btnStart, true);
    w.outcome = RunOutcome::kFailed;
    return false;
  }

  w.directionDigits = v.IsOption1Selected() ? "13" : "10";
  return true;
}

}  // namespace druvo
