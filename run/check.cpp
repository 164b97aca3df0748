#include "run/check.h"

#include <map>
#include <optional>

#include "model/main_window.h"
#include "model/catalogue.h"
#include "datafiles/disk_space.h"
#include "datafiles/journal.h"
#include "datafiles/markers.h"
#include "datafiles/own_files.h"
#include "datafiles/record.h"
#include "datafiles/run_lock.h"
#include "run/earlier_runs.h"
#include "run/start_checks.h"
#include "sys/file_lock.h"
#include "sys/format.h"
#include "sys/fs.h"
#include "sys/text.h"

namespace druvo {

namespace {

// What a full repeat would do with one entry, as PrepareFullRepeat decides it.
enum class EntryState { kNoMarker, kUntrusted, kSetAsideTaken, kRestorable };

struct Entry {
  std::string data;    // upper-cased data file name
  std::string marker;  // upper-cased marker name
  std::optional<std::int64_t> dataSize;
  bool markerPresent = false;
  MarkerVerdict verdict;
  std::string unfinished;  // why the last call on it did not finish, as the record says
  bool changed = false;    // not what the last call left: newer work in it
  std::string setAside;    // where a full repeat puts it
};

// What the record's word for a call that did not finish means.
std::string UnfinishedText(const std::string& why) {
  if (why == "nolog") return "het liet geen log achter";
  if (why == "abnormal") return "het is afgebroken";
  if (why.rfind("code=", 0) == 0) return "het eindigde met code " + why.substr(5);
  return why;
}

std::string Padded(std::string s, std::size_t width) {
  const std::size_t n = text::CountChars(s);
  if (n < width) s.append(width - n, ' ');
  return s;
}

// The files as a Start will find them once it has finished an interrupted plan. The plan is
// carried out in thought, rename by rename, by the rule the Start follows (a rename is made
// when its source is there and its target is not); a name a rename moves is then looked up
// where its content lies now. Nothing on disk changes.
class FilesAfterPlan {
 public:
  /// The renames the Start will make, in its order.
  std::vector<const PlannedRename*> Finish(const MainWindow& w, const RenamePlan& plan) {
    std::vector<const PlannedRename*> made;
    for (const PlanEntry& e : plan) {
      for (const PlannedRename& r : e.renames) {
        const std::string from = PlannedFrom(w.Settings(), r);
        const std::string to = PlannedTo(w.Settings(), r);
        const auto target = moved_.find(Key(to));
        const bool taken = target != moved_.end() ? target->second.has_value() : sys::ResolveExisting(to).has_value();
        if (!Present(from) || taken) continue;
        moved_[Key(to)] = Where(from);
        moved_[Key(from)] = std::nullopt;
        made.push_back(&r);
      }
    }
    return made;
  }
  /// The file on disk whose content will be at `path`; nothing when no plain file will be.
  std::optional<std::string> Where(const std::string& path) const {
    const auto it = moved_.find(Key(path));
    if (it != moved_.end()) return it->second;
    if (sys::IsPresent(path)) return path;
    return std::nullopt;
  }
  bool Present(const std::string& path) const { return Where(path).has_value(); }
  std::optional<std::int64_t> Size(const std::string& path) const {
    const auto where = Where(path);
    return where ? sys::FileSize(*where) : std::nullopt;
  }

 private:
  // Names are matched without regard to case or to the kind of separator.
  static std::string Key(std::string path) {
    for (char& c : path) c = c == '/' ? '\\' : c;
    return text::Upper(path);
  }
  std::map<std::string, std::optional<std::string>> moved_;
};

std::string MarkerText(const Entry& e) {
  if (!e.markerPresent) return "markering " + e.marker + " ontbreekt";
  switch (e.verdict.match) {
    case MarkerMatch::kMatches:
      return "markering " + e.marker + " aanwezig, klopt met het record";
    case MarkerMatch::kNoRecord:
      return "markering " + e.marker + " aanwezig, geen record: wordt genomen zoals gevonden";
    case MarkerMatch::kDamagedRecord:
      return "markering " + e.marker + " aanwezig, het record is beschadigd: wordt genomen zoals gevonden";
    case MarkerMatch::kOtherFile:
      return "markering " + e.marker + " aanwezig, die van " + e.verdict.owner + ": wordt niet teruggezet";
    case MarkerMatch::kDiffers:
    case MarkerMatch::kUnreadable:
      break;
  }
  return "markering " + e.marker +
         " aanwezig, klopt niet met het record: " + DescribeMismatch(e.verdict);
}

// The entry's marker, and what the record says of its last call.
std::string EntryText(const Entry& e) {
  std::string text = MarkerText(e);
  if (!e.unfinished.empty()) text += "; de laatste aanroep is niet voltooid (" + UnfinishedText(e.unfinished) + ")";
  if (e.changed) text += "; veranderd sinds de conversie";
  return text;
}

// A Start removes the journal once it is done with it, or sets a torn one aside (`what`):
// false, said as the Start says it, when the database folder would not let it.
bool JournalRemovable(const MainWindow& w, const std::string& path, std::vector<std::string>& lines,
                      const char* what = "verwijderen") {
  std::string why;
  if (sys::CanChangeFolder(w.sDBPath, why)) return true;
  lines.push_back("  " + UnfinishedPlanText("Kan " + path + " niet " + what + ": " + why));
  return false;
}

// What a Start would do with a journal it finds; false when the Start would refuse. `after`
// gets the renames the Start will make first.
bool ReportJournal(const MainWindow& w, FilesAfterPlan& after, std::vector<std::string>& lines) {
  const std::string path = w.sDBPath + "\\" + kJournalFileName;
  const sys::NameKind kind = sys::KindOfName(path);
  if (kind != sys::NameKind::kNothing && kind != sys::NameKind::kFile) {
    lines.push_back("Onderbroken hernoemplan: niet gelezen, " + path + " is " + sys::KindText(kind));
    return false;
  }
  RenamePlan plan;
  std::string foreign;
  switch (ReadJournal(w.Settings(), plan, &foreign)) {
    case JournalState::kNone:
      lines.push_back("Onderbroken hernoemplan: geen");
      return true;
    case JournalState::kTorn:
      lines.push_back(std::string("Onderbroken hernoemplan: ") + kJournalFileName +
                      " is tijdens het schrijven afgebroken; een Start zet het opzij zonder iets "
                      "te hernoemen");
      return JournalRemovable(w, path, lines, "opzij zetten");
    case JournalState::kForeign:
      lines.push_back(std::string("Onderbroken hernoemplan: ") + kJournalFileName +
                      " noemt een bestand buiten de installatie (" + foreign +
                      "); een Start voert het niet uit, zet het opzij en weigert");
      return false;
    case JournalState::kComplete:
      break;
  }
  std::size_t renames = 0;
  for (const PlanEntry& e : plan) renames += e.renames.size();
  // Counted by making them in thought: the second rename of an entry is due only once the
  // first is made.
  const std::vector<const PlannedRename*> due = after.Finish(w, plan);
  lines.push_back("Onderbroken hernoemplan: " + std::to_string(renames) + " hernoemingen, " +
                  std::to_string(due.size()) +
                  " nog te doen; een Start maakt die eerst af (wat hieronder staat, is de toestand "
                  "daarna):");
  for (const PlannedRename* r : due) {
    // Built step by step where MinGW's -Wrestrict misfires on a sum of temporaries.
    std::string line = r->folder == PlanFolder::kProgram ? "  programma folder: " : "  ";
    line += r->from;
    line += " -> ";
    line += r->to;
    lines.push_back(line);
  }
  return JournalRemovable(w, path, lines);
}

// What the run's lock and record files would meet; false when a Start could not use them.
bool ReportLockAndRecord(const std::string& db, bool& locked, std::vector<std::string>& lines) {
  std::string why;
  const sys::LockStatus lock = sys::FileLock::Probe(RunLockPath(db), why);
  locked = lock == sys::LockStatus::kHeld;
  lines.push_back("Vergrendeling: " +
                  (locked                               ? std::string("Er loopt al een conversie op deze database !")
                   : lock == sys::LockStatus::kFailed ? LockFailedText(RunLockPath(db), why)
                                                        : std::string("vrij")));
  // The record is added to before each file goes to the utility, made when it is missing.
  const std::string record = db + "\\" + kRecordFileName;
  const bool recordOk = sys::KindOfName(record) == sys::NameKind::kNothing
                            ? sys::CanChangeFolder(db, why)
                            : sys::CanOpenOwnFile(record, true, why);
  if (!recordOk)
    lines.push_back("Record: kan " + record + " niet schrijven: " + why +
                    "; een Start geeft dan geen databestand aan het conversieprogramma");
  return lock != sys::LockStatus::kFailed && recordOk;
}

}  // namespace

CheckReport CheckInstallation(MainWindow& w) {
  CheckReport report;
  auto& lines = report.lines;
  View& v = w.view;
  const std::string administration = v.Text(Control::txtExtensie);
  w.dataFileSuffix = SuffixFromAdministration(administration);
  w.customerNumber = v.Text(Control::txtKlantId);
  w.sExePath = v.Text(Control::txtExePath);
  w.sDBPath = v.Text(Control::txtDatabasePath);
  w.directionDigits = v.IsOption1Selected() ? "13" : "10";
  const std::string& db = w.sDBPath;
  const std::string& digits = w.directionDigits;
  const std::string& suffix = w.dataFileSuffix;

  bool refused = false;
  auto verdict = [&](const std::string& what, const std::optional<Refusal>& refusal) {
    lines.push_back(what + ": " + (refusal ? refusal->message : std::string("goed")));
    refused = refused || refusal.has_value();
    return !refusal;
  };
  lines.push_back("Startcontroles (conversie naar " + digits + ")");
  verdict("  Nummer administratie \"" + administration + "\"", CheckAdministration(administration));
  verdict("  Klantcode \"" + w.customerNumber + "\"", CheckCustomer(w.customerNumber));
  verdict("  Programma folder " + w.sExePath, CheckProgramFolder(w.sExePath));
  if (!verdict("  Database folder " + db, CheckDatabaseFolder(db))) {
    report.verdict = CheckVerdict::kRefused;
    return report;
  }
  if (auto modified = sys::LastModified(DatabaseDateFile(db))) {
    lines.push_back("  " + DatabaseDateText(*modified));
  } else {
    lines.push_back("  " + UnreadableDateText(db));
    refused = true;
  }
  if (!sys::FolderExists(db)) {
    lines.push_back("  " + UnopenableDatabaseText(db));
    refused = true;
  }

  const auto ownFiles = OwnFilesRefusal(db);
  lines.push_back(std::string("  Eigen bestanden ") + kLockFileName + ", " + kJournalFileName + ", " +
                  kRecordFileName + ": " + (ownFiles ? *ownFiles : std::string("goed")));
  refused = refused || ownFiles.has_value();

  bool locked = false;
  if (!ReportLockAndRecord(db, locked, lines)) refused = true;
  FilesAfterPlan after;
  if (!ReportJournal(w, after, lines)) refused = true;

  // Everything below is the state the Start meets once it has finished that plan: what it
  // counts, asks and converts.
  const int last = w.LastEntry();
  const std::optional<std::int64_t> freeKb = GetFreeSpaceKb(w.services, w.sDBPath);
  std::int64_t requiredKb = 0;
  for (int i = 0; i <= last; ++i) {
    if (const auto size = after.Size(text::Upper(DataFilePath(w.catalogue, i, db, suffix))))
      requiredKb = AddFileKb(requiredKb, *size);
  }
  std::string disk = "Schijfruimte: " + DiskSpaceText(freeKb.value_or(0), requiredKb);
  if (!freeKb)
    disk += " Onbekend: een Start vraagt \"Voldoende schijfruimte ?\"";
  else if (*freeKb == 0 || requiredKb > *freeKb)
    disk += " Te weinig: een Start breekt de conversie af.";
  lines.push_back(disk);

  // The entries, read once for the earlier-run case and for their lines; the set-aside number
  // and the counts as ChooseSetAsideNumber and CountConvertedFiles will find them.
  const FileRecord record = FileRecord::Load(db);
  int n = 0;
  for (int k = 1; k <= kMaxSetAsideNumber && n == 0; ++k)
    if (!after.Present(db + "\\" + SetAsideName(w.catalogue, kReferenceEntry, digits, k))) n = k;
  std::vector<Entry> entries;
  ConvertedCount count;
  int settable = 0;     // data files a full repeat would set aside
  int markersFree = 0;  // markers a partial repeat would set aside
  for (int i = 0; i <= last; ++i) {
    Entry e;
    const std::string folder = EntryFolder(db, i) + "\\";
    e.data = text::Upper(DataFileName(w.catalogue, i, suffix));
    e.marker = MarkerName(w.catalogue, i, digits);
    if (after.Present(folder + e.data)) e.dataSize = after.Size(folder + e.data).value_or(0);
    const auto marker = after.Where(folder + e.marker);
    e.markerPresent = marker.has_value();
    if (e.dataSize) ++count.dataFiles;
    const std::string key = RecordKey(w.catalogue, i, suffix);
    e.unfinished = record.Unfinished(digits, key).value_or("");
    if (e.markerPresent) {
      count.anyMarker = true;
      ++count.markers;
      e.verdict = CheckMarker(record, digits, key, *marker);
      const bool setAsideFree = n > 0 && !after.Present(folder + SetAsideName(w.catalogue, i, digits, n));
      if (setAsideFree) ++markersFree;
      if ((e.verdict.trusted() || e.verdict.unknown()) && e.dataSize && setAsideFree) {
        ++settable;
        e.setAside = (InWorkFolder(i) ? "QMVWORK\\" : "") + SetAsideName(w.catalogue, i, digits, n);
      }
      // Newer work in the file than the last call left (a sale added) goes aside with it.
      if (const auto left = e.dataSize ? record.After(digits, key) : std::nullopt) {
        const auto where = after.Where(folder + e.data);
        e.changed = where && FingerprintOf(*where) != left;
      }
    }
    entries.push_back(std::move(e));
  }

  const std::string numbered = n > 0 ? SetAsideName(w.catalogue, kReferenceEntry, digits, n) : std::string();
  const std::string number = std::to_string(n);
  std::string earlier = "Eerdere conversie: ";
  if (!count.anyMarker) {
    earlier += "geen markering van deze richting; een Start converteert alle " +
               std::to_string(count.dataFiles) + " aanwezige databestanden";
  } else if (count.dataFiles == count.markers) {
    earlier += std::string(kDoneCompletely) + " " + kRepeatCompletely + " Ja zet ";
    earlier += n > 0 ? std::to_string(settable) + " databestanden opzij onder volgnummer " +
                           number + " (zoals " + numbered + ") en zet hun markering terug"
                     : std::string("niets opzij: er is geen vrij volgnummer");
  } else if (count.dataFiles > count.markers) {
    earlier += std::string(kDonePartly) + " " + kRepeatPartly + " Ja zet ";
    earlier += n > 0 ? std::to_string(markersFree) + " markeringen opzij onder volgnummer " +
                           number + " (zoals " + numbered + ")"
                     : std::string("niets opzij: er is geen vrij volgnummer");
  } else {
    earlier += kDoneAlready;
  }
  earlier += " (" + std::to_string(count.dataFiles) + " databestanden, " +
             std::to_string(count.markers) + " markeringen)";
  lines.push_back(earlier);
  if (count.anyMarker && count.dataFiles == count.markers) {
    std::string changed;
    for (const Entry& e : entries)
      if (e.changed && !e.setAside.empty()) changed += (changed.empty() ? "" : ", ") + e.data + " als " + e.setAside;
    if (!changed.empty())
      lines.push_back("Let op: veranderd sinds de conversie; Ja zet hun nieuwere inhoud opzij: " + changed);
  }
  if (record.damagedLines() > 0) lines.push_back(RecordDamageText(record.damagedLines()));

  const std::string prog = w.sExePath + "\\";
  const bool swapped = after.Present(prog + "LMPR10.EXE") && !after.Present(prog + "LMPR13.EXE");
  const bool swappable = after.Present(prog + "LMPR.EXE") && after.Present(prog + "LMPR13.EXE");
  lines.push_back(std::string("Labelprogramma: ") +
                  (swapped     ? "gewisseld (LMPR10.EXE aanwezig, LMPR13.EXE niet)"
                   : swappable ? "niet gewisseld (LMPR.EXE en LMPR13.EXE aanwezig)"
                               : "geen LMPR13.EXE om te wisselen"));

  lines.push_back("Bestanden:");
  for (int i = 0; i <= last; ++i) {
    const Entry& e = entries[static_cast<std::size_t>(i)];
    // Built step by step where MinGW's -Wrestrict misfires on a sum of temporaries.
    std::string line = i + 1 < 10 ? " " : "";
    line += std::to_string(i + 1);
    line += ' ';
    line += Padded(w.catalogue.descriptions[i], 28);
    line += ' ';
    line += Padded(InWorkFolder(i) ? "\\QMVWORK" : "\\", 9);
    line += ' ';
    std::string data = e.data;
    if (e.dataSize) {
      data += ' ';
      data += sys::FormatGrouped(*e.dataSize);
      data += " bytes";
    } else {
      data += " ontbreekt";
    }
    line += Padded(data, 28);
    line += ' ';
    line += EntryText(e);
    lines.push_back(line);
  }

  if (refused)
    report.verdict = CheckVerdict::kRefused;
  else if (locked)
    report.verdict = CheckVerdict::kLocked;
  else if (count.anyMarker && count.markers > count.dataFiles)
    report.verdict = CheckVerdict::kAlreadyDone;
  return report;
}

}  // namespace druvo
