#include <algorithm>
#include <future>
#include <optional>

#include "datafiles/disk_space.h"
#include "datafiles/journal.h"
#include "datafiles/markers.h"
#include "datafiles/record.h"
#include "model/catalogue.h"
#include "model/main_window.h"
#include "run/conversion_loop.h"
#include "run/disk_check.h"
#include "sys/format.h"
#include "sys/fs.h"
#include "sys/text.h"
#include "tools/log_view.h"
#include "tools/probe.h"
#include "tools/process.h"

namespace druvo {

namespace {

// Makes the entry's own folder current: its data file, its marker, its set-aside names and
// the utility's working folder all lie there, never in a folder an earlier entry left
// current. The database folder is read from the text box at every entry. False when the
// folder cannot be made current (a database without its work folder).
bool FolderStep(MainWindow& w, int i) {
  return sys::SetCurrentFolder(EntryFolder(w.view.Text(Control::txtDatabasePath), i));
}

// A file the run could not convert: one ERROR line of its own, counted like the utility's.
void ReportNotConverted(MainWindow& w, const std::string& file, const std::string& why) {
  w.LogError(file + " is niet omgezet: " + why);
}

// The volume ran full while the utility wrote, or the utility was ended in the middle of its
// work (`full` says which): the file may be torn half-way, whatever the utility said. The marker (`print`: what it holds), when it holds exactly what
// the file held before, goes back in its place, and the suspect file to the entry's first
// free set-aside name, by a plan like every rename. Gives the rest of the ERROR line;
// `stopped` when an undo was refused and nothing more may be touched.
std::string PutMarkerBack(MainWindow& w, int i, const std::string& file, const std::string& marker,
                                   const std::optional<Fingerprint>& print, const Fingerprint& before,
                                   const std::string& full, bool& stopped) {
  if (!print) return full + "; er is geen " + marker + " om terug te zetten, " + file + " blijft staan";
  if (*print != before) {
    MarkerVerdict v;
    v.match = MarkerMatch::kDiffers;
    v.marker = *print;
    v.expected = before;
    return full + "; " + marker + " is niet de inhoud van voor de conversie (" + DescribeMismatch(v) +
           "), " + file + " blijft staan";
  }
  std::string aside;
  for (int n = std::max(ChooseSetAsideNumber(w.Settings(), w.directionDigits), 1); n <= kMaxSetAsideNumber && aside.empty(); ++n)
    if (!sys::ResolveExisting(SetAsideName(w.catalogue, i, w.directionDigits, n))) aside = SetAsideName(w.catalogue, i, w.directionDigits, n);
  if (aside.empty()) return full + "; geen vrij volgnummer om " + file + " opzij te zetten, " + file + " blijft staan";
  // The host's own name for the file, letter case and all.
  const std::string onDisk = sys::FindPlainFile(file).value_or(file);
  const std::string below = InWorkFolder(i) ? "QMVWORK\\" : "";
  const PlanResult r = CarryOutPlan(w.Settings(), w, w.services,
                                    {{{{PlanFolder::kDatabase, below + onDisk, below + aside},
                                       {PlanFolder::kDatabase, below + marker, below + onDisk}}}},
                                    true);
  FolderStep(w, i);
  if (r.stopped) {
    stopped = true;
    return full + "; " + r.why;
  }
  if (!r.refused.empty())
    return full + "; " + marker + " kan niet worden teruggezet: " + r.refused.front().name +
           " kan niet worden hernoemd (" + r.refused.front().why + "), " + file + " blijft staan";
  if (sys::IsPresent(marker) || !sys::IsPresent(file))
    return full + "; " + marker + " kan niet worden teruggezet, " + file + (sys::IsPresent(file) ? " blijft staan" : " ontbreekt");
  return full + "; " + marker + " is teruggezet als " + onDisk +
         (sys::IsPresent(aside) ? ", het bestand van na de aanroep staat opzij als " + aside : std::string());
}

// When and how long a file was last written: a per-file log the call did not write is as it
// was before the call.
struct Stamp {
  std::optional<std::int64_t> size;
  std::optional<sys::LocalDateTime> modified;
  bool operator==(const Stamp&) const = default;
};
Stamp StampOf(const std::string& path) { return {sys::FileSize(path), sys::LastModified(path)}; }

Command UtilityCommand(const MainWindow& w, bool wrapper, const std::string& file) {
  if (wrapper) return {w.sExePath + "\\RCXB.BAT", {"N", file, w.directionDigits, w.sExePath}};
  return {w.sExePath + "\\RCX.exe", {"N", file, w.directionDigits}};
}

}  // namespace

LoopEnd ConversionLoop(MainWindow& w) {
  if (!CheckDiskSpace(w)) return LoopEnd::kAbandoned;

  const std::string db = w.view.Text(Control::txtDatabasePath);
  if (!sys::SetCurrentFolder(db) && !w.tolerantMode)
    w.LogAppend("De database folder " + db + " kan niet worden geopend\r\n");

  // The probe is started from the program folder as its box holds it.
  // What the record held at the start: whether a file's history must begin anew.
  const FileRecord record = FileRecord::Load(w.sDBPath);
  const bool wrapper = ProbeConversionUtility(w, w.services, w.catalogue, w.view.Text(Control::txtExePath),
                                              w.dataFileSuffix);
  const int last = w.LastEntry();
  int converted = 0;
  int absent = 0;
  int unfinished = 0;  // calls that did not finish: not counted converted, nor rolled back
  int left = 0;  // entries not reached because the user asked to stop
  int haltedAt = -1;  // the entry whose files could not be put back: the run ends after it
  for (int i = 0; i <= last; ++i) {
    // A stop takes effect between two files, never inside a utility call.
    if (w.services.StopRequested()) {
      left = last + 1 - i;
      break;
    }
    const bool inFolder = FolderStep(w, i);

    const std::string status = w.catalogue.descriptions[i] + " (" + std::to_string(i + 1) +
                               " van " + std::to_string(last + 1) + ")";
    w.SetStatus(status);
    w.LogAppend("\r\n" + sys::FormatGeneralDate(w.services.now()) + " " + status + "\r\n");
    w.LogCaretToEnd();
    w.view.Progress(i + 1, last + 1);
    w.DoEvents();

    const std::string file = text::Upper(DataFileName(w.catalogue, i, w.dataFileSuffix));
    // An entry whose repeat preparation was refused is named in an ERROR line already; it
    // counts as not converted, whatever its files are now.
    if (w.entriesReported.test(static_cast<std::size_t>(i))) continue;
    // Without its own folder current the entry has no file: one of its name in the folder an
    // earlier entry left current is not the entry's, and is neither converted nor counted.
    if (!inFolder) {
      const std::string folder = EntryFolder(w.view.Text(Control::txtDatabasePath), i);
      if (sys::IsPresent(folder + "\\" + file))
        ReportNotConverted(w, file, "de map " + folder + " kan niet worden geopend");
      else
        ++absent;
      continue;
    }
    if (!sys::IsPresent(file)) {
      ++absent;
      continue;
    }

    // The marker holds the file's earlier state. While it is in place (a repeat that could
    // not set it aside), converting again would make the utility refuse or, worse, lose that
    // state: the file is left alone.
    const std::string marker = MarkerName(w.catalogue, i, w.directionDigits);
    if (sys::IsPresent(marker)) {
      ReportNotConverted(w, file, marker + " staat er nog, de vorige toestand van het bestand zou verloren gaan");
      continue;
    }

    // A utility that runs out of room half-way leaves the file torn: the volume must hold
    // all the call may write and the room it must leave, before the file is handed over,
    // measured now, after what the files before it took.
    if (auto lack = LackOfRoomForCall(w.services, sys::CurrentFolder(), sys::FileSize(file).value_or(0))) {
      ReportNotConverted(w, file, *lack);
      continue;
    }

    // What the file holds now is recorded, on disk, before the utility may change it: it is
    // what the marker must hold afterwards, and what a repeat may put back.
    w.services.BeforeChange("record written");
    const auto before = FingerprintOf(file);
    if (!before) {
      ReportNotConverted(w, file, "het bestand kan niet worden gelezen");
      continue;
    }
    const std::string key = RecordKey(w.catalogue, i, w.dataFileSuffix);
    // With no earlier state of the file in its folder, a history begins: lines the record
    // holds of earlier ones (a marker removed by hand, a damaged line) say nothing of it.
    const bool begins = (record.Earliest(w.directionDigits, key) || record.Damaged(w.directionDigits, key)) &&
                        SetAsideNamesIn(sys::CurrentFolder(), marker).empty();
    if (std::string why; (begins && !AppendRestored(w.sDBPath, w.directionDigits, key, &why)) ||
                         !AppendRecord(w.sDBPath, w.directionDigits, key, *before, &why)) {
      ReportNotConverted(w, file, "kan " + w.sDBPath + "\\" + kRecordFileName + " niet schrijven (" + why + ")");
      continue;
    }
    const std::string logName = w.catalogue.baseNames[i] + ".Log";
    const Stamp logBefore = StampOf(logName);

    w.services.BeforeChange("utility started");
    const Command command = UtilityCommand(w, wrapper, file);
    ProcessEnd end;
    const bool waited = ShellandWait(w, w.services, command, 0, &end);
    // A big file's marker is read on a second thread while the log is shown: for a file of
    // hundreds of megabytes each takes a noticeable part of a second. Only a utility that
    // ended by itself left a marker worth reading. The name stays relative (a folder too long
    // for a full path is current by its short form); the current folder changes only at the
    // next entry, after the read has ended.
    std::future<std::optional<Fingerprint>> left;
    std::future<std::optional<Fingerprint>> after;  // the file as the call left it
    if (waited && end.started && end.ended && !end.abnormal) {
      left = FingerprintLater(marker, before->size);
      after = FingerprintLater(file, sys::FileSize(file).value_or(0));
    }
    w.tolerantMode = true;
    AppendLogToView(w, logName);
    const Stamp logAfter = StampOf(logName);

    // A volume that ran full during the call may have torn the file, whatever else the call
    // left: the guard above left room for all the call may write, so only a call that ran
    // out of room (or a writer beside it) leaves less than kRoomLeftAfterCall.
    if (waited && end.started && end.ended) {
      if (const auto full = RanFullDuringCall(w.services, sys::CurrentFolder())) {
        // The marker's read is over before its files are renamed.
        const auto print = left.valid() ? left.get() : FingerprintOf(marker);
        bool stopped = false;
        const std::string why = PutMarkerBack(w, i, file, marker, print, *before, *full, stopped);
        ReportNotConverted(w, file, why);
        if (stopped) {
          // A file may be missing under its own name: nothing more is touched now.
          w.view.Ask(file + " is niet omgezet: " + why, Buttons::kOk);
          haltedAt = i;
          break;
        }
        continue;
      }
    }

    // What the call left says most: a marker holding exactly what the file held before the
    // call. Its exit code and its per-file log say whether it finished.
    const std::string program = wrapper ? "RCXB.BAT" : "RCX.EXE";
    const std::string code = end.exitCode != 0 ? " (code " + std::to_string(end.exitCode) + ")" : std::string();
    std::string why;
    if (!waited || !end.started) {
      why = program + " kon niet worden gestart";
    } else if (end.abnormal) {
      // Ended in the middle of its work, the utility may have left the file torn: the marker
      // goes back in its place, as after a volume that ran full.
      const auto print = FingerprintOf(marker);
      if (!print && sys::IsPresent(file) && FingerprintOf(file) == before) {
        why = program + " is afgebroken; " + file + " is onveranderd";
      } else {
        bool stopped = false;
        why = PutMarkerBack(w, i, file, marker, print, *before, program + " is afgebroken", stopped);
        if (stopped) {
          ReportNotConverted(w, file, why);
          w.view.Ask(file + " is niet omgezet: " + why, Buttons::kOk);
          haltedAt = i;
          break;
        }
      }
      // Unless the file is as it was, the record remembers for `check` that the call did not finish.
      if (FingerprintOf(file) != before) AppendUnfinished(w.sDBPath, w.directionDigits, key, "abnormal");
    } else if (!end.ended) {
      why = program + " is niet klaar";
    } else if (!sys::IsPresent(file)) {
      why = file + " is er na de aanroep niet meer";
    } else if (const auto print = left.get(); !print) {
      why = program + " heeft geen " + marker + " achtergelaten" + code;
    } else if (*print != *before) {
      MarkerVerdict v;
      v.match = MarkerMatch::kDiffers;
      v.marker = *print;
      v.expected = *before;
      why = marker + " is niet de inhoud van voor de conversie (" + DescribeMismatch(v) + ")" + code;
    } else if (end.exitCode != 0 || !logAfter.size || logAfter == logBefore) {
      // The utility's codes are its own: the file is not rolled back on them, but not counted
      // converted either, and the record remembers it for `check`.
      const bool noLog = end.exitCode == 0;
      ++unfinished;
      AppendUnfinished(w.sDBPath, w.directionDigits, key, noLog ? "nolog" : "code=" + std::to_string(end.exitCode));
      w.LogError(file + " is niet voltooid: " + program +
                 (noLog ? " heeft geen " + logName + " achtergelaten" : " eindigde met code " + std::to_string(end.exitCode)) +
                 "; druvo restore zet de toestand van voor de conversie terug uit " + marker);
      continue;
    }
    if (why.empty()) {
      ++converted;
      // What the call left, so that a repeat can tell newer work in the file.
      if (const auto print = after.valid() ? after.get() : std::nullopt)
        AppendAfterCall(w.sDBPath, w.directionDigits, key, *print);
    } else {
      ReportNotConverted(w, file, why);
    }
  }
  if (haltedAt >= 0) left = last - haltedAt;
  w.convertedCount = converted;
  w.view.Progress(0, 0);
  const int total = last + 1;
  w.LogAppend("\r\nOmgezet: " + std::to_string(converted) + " van " + std::to_string(total) +
              " bestanden; niet aanwezig: " + std::to_string(absent) +
              "; niet omgezet: " + std::to_string(total - converted - absent - unfinished - left));
  if (unfinished > 0) w.LogAppend("; niet voltooid: " + std::to_string(unfinished));
  if (left > 0) w.LogAppend("; onderbroken, niet aangeboden: " + std::to_string(left));
  w.LogCaretToEnd();
  return left > 0 ? LoopEnd::kInterrupted : LoopEnd::kCompleted;
}

}  // namespace druvo
