#include "run/restore.h"

#include <algorithm>
#include <map>
#include <optional>
#include <set>
#include <vector>

#include "model/main_window.h"
#include "model/catalogue.h"
#include "datafiles/journal.h"
#include "datafiles/markers.h"
#include "datafiles/record.h"
#include "run/host_open.h"
#include "run/run_guards.h"
#include "run/start_checks.h"
#include "sys/codepage.h"
#include "sys/format.h"
#include "sys/fs.h"
#include "sys/text.h"

namespace druvo {

namespace {

// One entry's part of the restore.
struct EntryPlan {
  std::string data;      // data file name
  std::string marker;    // marker name
  std::string setAside;     // the numbered name the converted data file goes to
  std::string markerAside;  // the numbered name the marker goes to, when an earlier one goes back
  std::string chosen;       // the file that goes back: the marker or an earlier one set aside
  std::string folder;       // the entry's folder, with a trailing "\"
  std::string planned;      // the folder below the database folder: "" or "QMVWORK\"
  bool dataPresent = false;
  bool markerPresent = false;
  bool inPlan = false;
  bool finished = false;  // put back by finishing an interrupted restore
  std::string whyNot;  // why nothing is put back, where something should be
  std::string key;     // the data file's key in the record
  std::optional<MarkerVerdict> found;  // the chosen file, taken as found: recorded on Yes
};

void AppendRestoreLog(MainWindow& w) {
  const std::string path = w.sExePath + "\\" + kRestoreLogName;
  // Added to, never replaced: each restore's log follows the ones before it.
  if (std::string why; !sys::AppendFileDurably(path, sys::ToCodePage(w.LogViewText() + "\r\n"), &why))
    w.LogLine("Kan " + path + " niet schrijven: " + why);
}

RestoreResult Finish(MainWindow& w, RestoreResult result) {
  AppendRestoreLog(w);
  return result;
}

}  // namespace

RestoreResult RestoreConversion(MainWindow& w) {
  w.tolerantMode = false;
  if (!StartChecks(w) || !CheckOwnFiles(w)) return RestoreResult::kRefused;
  const auto lock = TakeRunLock(w);
  if (!lock)
    return w.outcome == RunOutcome::kLocked ? RestoreResult::kLocked : RestoreResult::kRefused;
  if (!DataFilesFree(w)) return RestoreResult::kRefused;
  const std::string& digits = w.directionDigits;
  const std::string& suffix = w.dataFileSuffix;
  w.LogLine(sys::FormatGeneralDate(w.services.now()) +
             " Terugzetten naar de toestand van voor de conversie naar " + digits +
             ", database folder " + w.sDBPath);
  // A restore a crash or a refused undo interrupted is finished first: what it put back
  // counts as restored now, each entry said so in the log view.
  FinishResult finished;
  if (!FinishInterruptedPlan(w, &finished)) return Finish(w, RestoreResult::kRefused);
  std::set<std::string> finishedKeys;  // direction and key
  int finishedElsewhere = 0;           // entries of another direction or administration
  for (const RecordNote& n : finished.noted)
    if (n.kind == RecordNote::Kind::kRestored) {
      finishedKeys.insert(n.digits + "\t" + n.key);
      ++finishedElsewhere;
    }

  // Set-aside numbers are taken from the one a repeat would choose upwards, per entry.
  const int first = std::max(ChooseSetAsideNumber(w.Settings(), digits), 1);
  const FileRecord record = FileRecord::Load(w.sDBPath);
  const int last = w.LastEntry();
  std::vector<EntryPlan> entries;
  RenamePlan plan;
  std::vector<int> planned;  // catalogue index of each plan entry
  int failed = 0;
  int toRestore = 0;
  for (int i = 0; i <= last; ++i) {
    EntryPlan e;
    e.data = text::Upper(DataFileName(w.catalogue, i, suffix));
    e.marker = MarkerName(w.catalogue, i, digits);
    e.folder = EntryFolder(w.sDBPath, i) + "\\";
    e.planned = InWorkFolder(i) ? "QMVWORK\\" : "";
    if (finishedKeys.count(digits + "\t" + RecordKey(w.catalogue, i, suffix))) {
      e.finished = true;
      --finishedElsewhere;
    }
    // The data file keeps the name it has on disk ("QWOMISWT.dat"), so that what is put
    // back is the file the host had, name and all.
    if (auto onDisk = sys::FindPlainFile(e.folder + e.data)) {
      e.dataPresent = true;
      e.data = *onDisk;
    }
    e.markerPresent = sys::IsPresent(e.folder + e.marker);
    std::set<std::string> taken;  // upper-cased names in the entry's folder
    std::vector<std::pair<int, std::string>> setAside;  // earlier markers set aside, by number
    for (const std::string& name : sys::ListPlainFiles(e.folder)) {
      const std::string upper = text::Upper(name);
      taken.insert(upper);
      const std::string prefix = e.marker + "_";
      if (upper.size() > prefix.size() && upper.compare(0, prefix.size(), prefix) == 0) {
        if (const int n = SetAsideNumberOf(std::string_view(upper).substr(prefix.size())))
          setAside.emplace_back(n, name);
      }
    }
    std::sort(setAside.begin(), setAside.end());

    // The state before the first conversion in this direction, as the record holds it: a
    // marker, or an earlier marker a partial repeat set aside.
    const std::string key = RecordKey(w.catalogue, i, suffix);
    const bool damaged = record.Damaged(digits, key);
    // A damaged line may have been the one that held the earliest state.
    const std::optional<Fingerprint> earliest = damaged ? std::nullopt : record.Earliest(digits, key);
    // No fingerprint since the file's history began anew (a restore, or a first conversion
    // with no earlier state in the folder): only a marker made since, by hand, is there to put
    // back. With no line at all, or a damaged one, every earlier state in the folder may be.
    const bool unknown = damaged || !record.Knows(digits, key);
    if (!earliest && (unknown ? !e.markerPresent && setAside.empty() : !e.markerPresent)) {
      entries.push_back(std::move(e));
      continue;
    }
    if (!earliest) {
      // The record cannot vouch: the one file that can be the original is taken as found. A
      // marker that is another administration's (its line says so) cannot be. Without a
      // marker, the data file itself may be the original already.
      ++toRestore;
      std::vector<std::string> candidates;
      if (!e.markerPresent && e.dataPresent) candidates.push_back(e.data);
      MarkerVerdict found;
      found.match = damaged ? MarkerMatch::kDamagedRecord : MarkerMatch::kNoRecord;
      std::vector<std::string> files;
      if (e.markerPresent) files.push_back(e.marker);
      if (unknown)
        for (const auto& [n, name] : setAside) files.push_back(name);
      for (const std::string& c : files) {
        const auto print = FingerprintOf(e.folder + c);
        if (print && record.OtherOwner(digits, key, *print)) continue;
        if (print) found.marker = *print;
        candidates.push_back(c);
      }
      if (candidates.size() == 1 && candidates.front() != e.data) {
        e.chosen = candidates.front();
        e.found = found;
        e.key = key;
      } else if (candidates.empty()) {
        --toRestore;
        entries.push_back(std::move(e));
        continue;
      } else {
        std::string names;
        for (const std::string& c : candidates) names += (names.empty() ? "" : " of ") + e.planned + c;
        e.whyNot = "welk bestand de toestand van voor de conversie is, is niet te bepalen (" +
                   (damaged ? std::string("een regel erover in ") + kRecordFileName + " is beschadigd"
                            : std::string("geen regel in ") + kRecordFileName) +
                   "): " + names;
      }
    } else if (!e.markerPresent &&
               (setAside.empty() || (e.dataPresent && FingerprintOf(e.folder + e.data) == earliest))) {
      // Without a marker the entry was restored already (a restore ended before it could
      // note so), or its marker is gone: then the data file itself says which.
      entries.push_back(std::move(e));
      continue;
    } else {
      ++toRestore;
      std::vector<std::string> candidates;
      if (e.markerPresent) candidates.push_back(e.marker);
      for (const auto& [n, name] : setAside) candidates.push_back(name);
      for (const std::string& c : candidates) {
        if (sys::FileSize(e.folder + c) != earliest->size) continue;
        if (FingerprintOf(e.folder + c) == earliest) {
          e.chosen = c;
          break;
        }
      }
    }
    if (!e.whyNot.empty()) {
      entries.push_back(std::move(e));
      continue;
    }
    if (e.chosen.empty()) {
      e.whyNot = "geen van " + e.marker + (setAside.empty() ? "" : " en zijn opzijgezette voorgangers") +
                 " is de inhoud van " + e.data + " van voor de eerste conversie (" +
                 std::to_string(earliest ? earliest->size : 0) + " bytes volgens " + kRecordFileName + ")";
      entries.push_back(std::move(e));
      continue;
    }
    // Every file the entry has now is kept, under the next free set-aside name.
    auto freeName = [&]() -> std::string {
      for (int n = first; n <= kMaxSetAsideNumber; ++n) {
        const std::string name = SetAsideName(w.catalogue, i, digits, n);
        if (taken.insert(name).second) return name;
      }
      return {};
    };
    PlanEntry entry;
    if (e.dataPresent) {
      e.setAside = freeName();
      if (e.setAside.empty()) e.whyNot = "geen vrij volgnummer om " + e.data + " opzij te zetten";
      else entry.renames.push_back({PlanFolder::kDatabase, e.planned + e.data, e.planned + e.setAside});
    }
    if (e.whyNot.empty() && e.markerPresent && e.chosen != e.marker) {
      e.markerAside = freeName();
      if (e.markerAside.empty()) e.whyNot = "geen vrij volgnummer om " + e.marker + " opzij te zetten";
      else entry.renames.push_back({PlanFolder::kDatabase, e.planned + e.marker, e.planned + e.markerAside});
    }
    if (e.whyNot.empty()) {
      entry.renames.push_back({PlanFolder::kDatabase, e.planned + e.chosen, e.planned + e.data});
      // The file is then as it was before its first conversion: a later run begins a new history.
      entry.note = {RecordNote::Kind::kRestored, digits, key};
      plan.push_back(std::move(entry));
      planned.push_back(i);
      e.inPlan = true;
    }
    entries.push_back(std::move(e));
  }
  // The label tool goes back only when a run in this direction swapped it, and only when it
  // is still as that run left it: LMPR.EXE the 13 version, the old one LMPR10.EXE. Where the
  // record cannot say (no line of it, as after the older program, or a damaged one), the
  // tool's files tell, beside a conversion that is restored.
  const std::string prog = w.sExePath + "\\";
  const bool looksSwapped = sys::IsPresent(prog + "LMPR.EXE") && sys::IsPresent(prog + "LMPR10.EXE") &&
                            !sys::IsPresent(prog + "LMPR13.EXE");
  const bool known = record.LabelToolKnown(digits);
  const bool swapBack = looksSwapped && (known ? record.LabelToolSwapped(digits) : toRestore > 0 || !finished.noted.empty());
  if (swapBack) {
    plan.push_back({{{PlanFolder::kProgram, "LMPR.EXE", "LMPR13.EXE"}, {PlanFolder::kProgram, "LMPR10.EXE", "LMPR.EXE"}},
                    {RecordNote::Kind::kLabelToolBack, digits, {}}});
    planned.push_back(-1);
  }

  if (plan.empty()) {
    if (toRestore == 0 && finished.noted.empty()) {
      w.LogLine("Er is niets terug te zetten: geen markering van de conversie naar " + digits + ".");
      return Finish(w, RestoreResult::kNothing);
    }
  } else if (w.view.Ask(kRestoreQuestion, Buttons::kYesNo) != Answer::kYes) {
    w.LogLine(finished.noted.empty() ? "Niet teruggezet: er is niets veranderd."
                                     : "Niet teruggezet: verder is er niets veranderd.");
    return Finish(w, RestoreResult::kNothing);
  }

  // What was taken as found is recorded before its renames, so that from then on the record
  // vouches for it; an entry whose line cannot be written is left as it is.
  for (std::size_t k = plan.size(); k-- > 0;) {
    if (planned[k] < 0) continue;
    EntryPlan& e = entries[static_cast<std::size_t>(planned[k])];
    std::string why;
    if (!e.found ||
        TakeMarkerAsFound(w.sDBPath, &w, digits, e.key, e.planned + e.chosen, e.data, *e.found, true, &why))
      continue;
    e.whyNot = e.chosen + " wordt niet teruggezet: het kan niet worden vastgelegd, " + why;
    e.inPlan = false;
    plan.erase(plan.begin() + static_cast<std::ptrdiff_t>(k));
    planned.erase(planned.begin() + static_cast<std::ptrdiff_t>(k));
  }
  const PlanResult result = CarryOutPlan(w.Settings(), w, w.services, plan);
  sys::SetCurrentFolder(w.sDBPath);
  if (result.stopped) {
    w.LogError(result.why);
    w.view.Ask(result.why, Buttons::kOk);
    return Finish(w, RestoreResult::kRefused);
  }
  std::map<int, const EntryRefusal*> refused;
  for (const EntryRefusal& r : result.refused) refused[planned[r.entry]] = &r;
  std::map<int, bool> done;  // by catalogue index, -1 the label tool
  for (std::size_t k = 0; k < plan.size(); ++k) done[planned[k]] = result.done[k];

  int restored = finishedElsewhere;
  for (int i = 0; i <= last; ++i) {
    const EntryPlan& e = entries[static_cast<std::size_t>(i)];
    std::string why = e.whyNot;
    if (why.empty() && refused.count(i))
      why = refused[i]->name + " kan niet worden hernoemd (" + refused[i]->why + ")";
    if (why.empty() && e.inPlan && !done[i]) why = "het hernoemen is niet gebeurd (zie hierboven)";
    if (!why.empty()) {
      w.LogError(text::Upper(e.data) + " is niet teruggezet: " + why +
                 (e.dataPresent ? "; " + e.data + " blijft staan" : ""));
      ++failed;
      continue;
    }
    std::string line = std::to_string(i + 1) + " " + w.catalogue.descriptions[i] + ": ";
    if (e.inPlan) {
      if (e.dataPresent) line += e.data + " opzij gezet als " + e.setAside + ", ";
      if (!e.markerAside.empty()) line += e.marker + " opzij gezet als " + e.markerAside + ", ";
      line += e.chosen + " teruggezet als " + e.data;
      ++restored;
    } else if (e.finished) {
      line += e.data + " teruggezet bij het afmaken van het onderbroken hernoemplan";
      ++restored;
    } else {
      line += "niets teruggezet, geen markering " + e.marker;
    }
    w.LogLine(line);
  }
  if (swapBack) {
    if (refused.count(-1)) {
      w.LogError("LMPR.EXE is niet teruggewisseld: " + refused[-1]->name + " kan niet worden hernoemd (" +
                 refused[-1]->why + ")");
      ++failed;
    } else if (done[-1]) {
      w.LogLine("Labelprogramma teruggewisseld: LMPR.EXE is weer LMPR13.EXE, LMPR10.EXE weer LMPR.EXE" +
                (known ? std::string()
                       : std::string(" (") + kRecordFileName + " zegt er niets zeker over; LMPR10.EXE was er en "
                                                                  "LMPR13.EXE niet)"));
    } else {
      w.LogError("LMPR.EXE is niet teruggewisseld: het hernoemen is niet gebeurd (zie hierboven)");
      ++failed;
    }
  } else if (looksSwapped && known) {
    w.LogLine("Labelprogramma niet teruggewisseld: de conversie naar " + digits + " heeft het niet gewisseld");
  }
  w.LogLine(sys::FormatGeneralDate(w.services.now()) + " Teruggezet: " + std::to_string(restored) +
             " bestanden; niet teruggezet: " + std::to_string(failed) + ".");
  return Finish(w, failed == 0 ? RestoreResult::kRestored : RestoreResult::kPartly);
}

}  // namespace druvo
