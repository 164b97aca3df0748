#include "run/restore.h"

#include <algorithm>
#include <vector>

#include "model/main_window.h"
#include "model/catalogue.h"
#include "datafiles/journal.h"
#include "datafiles/markers.h"
#include "datafiles/record.h"
#include "datafiles/run_lock.h"
#include "run/host_open.h"
#include "run/start_command.h"
#include "sys/codepage.h"
#include "sys/format.h"
#include "sys/fs.h"
#include "sys/text.h"

namespace druvo {

namespace {

void Say(MainWindow& w, const std::string& line) {
  w.LogAppend(line + "\r\n");
  w.LogCap();
  w.LogCaretToEnd();
}

// One entry's part of the restore.
struct EntryPlan {
  std::string data;      // data file name
  std::string marker;    // marker name
  std::string setAside;  // the numbered name the converted data file goes to
  std::string folder;    // the entry's folder, with a trailing "\"
  std::string planned;   // the folder below the database folder: "" or "QMVWORK\"
  bool dataPresent = false;
  bool markerPresent = false;
  std::string whyNot;  // empty: planned (or no marker)
};

void AppendRestoreLog(MainWindow& w) {
  const std::string path = w.sExePath + "\\" + kRestoreLogName;
  // Added to, never replaced: each restore's log follows the ones before it.
  if (!sys::AppendFileDurably(path, sys::ToCodePage(w.LogViewText() + "\r\n")))
    Say(w, "Kan " + path + " niet schrijven");
}

RestoreResult Finish(MainWindow& w, RestoreResult result) {
  AppendRestoreLog(w);
  return result;
}

}  // namespace

RestoreResult RestoreConversion(MainWindow& w) {
  w.tolerantMode = false;
  if (!StartChecks(w)) return RestoreResult::kRefused;
  const auto lock = TakeRunLock(w);
  if (!lock)
    return w.outcome == RunOutcome::kLocked ? RestoreResult::kLocked : RestoreResult::kRefused;
  if (!DataFilesFree(w)) return RestoreResult::kRefused;
  const std::string& digits = w.directionDigits;
  const std::string& suffix = w.dataFileSuffix;
  Say(w, sys::FormatGeneralDate(w.services.now()) +
             " Terugzetten naar de toestand van voor de conversie naar " + digits +
             ", database folder " + w.sDBPath);
  if (!FinishInterruptedPlan(w)) return Finish(w, RestoreResult::kRefused);

  const int n = ChooseSetAsideNumber(w, digits);
  const FileRecord record = FileRecord::Load(w.sDBPath);
  const int last = std::min<int>(w.lastIndex, kCatalogueSize - 1);
  std::vector<EntryPlan> entries;
  RenamePlan plan;
  int withMarker = 0;
  for (int i = 0; i <= last; ++i) {
    EntryPlan e;
    e.data = text::Upper(DataFileName(w.catalogue, i, suffix));
    e.marker = MarkerName(w, i, digits);
    e.setAside = n > 0 ? SetAsideName(w, i, digits, n) : std::string();
    e.folder = EntryFolder(w.sDBPath, i) + "\\";
    e.planned = InWorkFolder(i) ? "QMVWORK\\" : "";
    // The data file keeps the name it has on disk ("QWOMISWT.dat"), so that what is put
    // back is the file the host had, name and all.
    if (auto onDisk = sys::FindPlainFile(e.folder + e.data)) {
      e.dataPresent = true;
      e.data = *onDisk;
    }
    e.markerPresent = sys::IsPresent(e.folder + e.marker);
    if (e.markerPresent) {
      ++withMarker;
      const MarkerVerdict verdict =
          CheckMarker(record, digits, RecordKey(w, i, suffix), e.folder + e.marker);
      if (!verdict.trusted()) {
        e.whyNot = e.marker + " is niet de inhoud van " + e.data + " van voor de conversie (" +
                   DescribeMismatch(verdict) + ")";
      } else if (e.dataPresent && n == 0) {
        e.whyNot = "geen vrij volgnummer om " + e.data + " opzij te zetten";
      } else if (e.dataPresent && sys::IsPresent(e.folder + e.setAside)) {
        e.whyNot = e.setAside + " bestaat al";
      } else {
        if (e.dataPresent) plan.push_back({e.planned + e.data, e.planned + e.setAside});
        plan.push_back({e.planned + e.marker, e.planned + e.data});
      }
    }
    entries.push_back(std::move(e));
  }
  // The label tool as a completed run left it: LMPR.EXE is the 13 version, the old one is
  // LMPR10.EXE. Named by full path, so the plan finds them outside the database folder.
  const std::string prog = w.sExePath + "\\";
  const bool labelSwapped =
      sys::IsPresent(prog + "LMPR10.EXE") && !sys::IsPresent(prog + "LMPR13.EXE");
  if (labelSwapped) {
    plan.push_back({prog + "LMPR.EXE", prog + "LMPR13.EXE"});
    plan.push_back({prog + "LMPR10.EXE", prog + "LMPR.EXE"});
  }

  if (plan.empty()) {
    if (withMarker == 0) {
      Say(w, "Er is niets terug te zetten: geen markering van de conversie naar " + digits + ".");
      return Finish(w, RestoreResult::kNothing);
    }
  } else if (w.view.Ask(kRestoreQuestion, Buttons::kYesNo) != Answer::kYes) {
    Say(w, "Niet teruggezet: er is niets veranderd.");
    return Finish(w, RestoreResult::kNothing);
  }

  CarryOutPlan(w, plan);
  sys::SetCurrentFolder(w.sDBPath);

  int restored = 0;
  int failed = 0;
  for (int i = 0; i <= last; ++i) {
    const EntryPlan& e = entries[static_cast<std::size_t>(i)];
    std::string line = std::to_string(i + 1) + " " + w.catalogue.descriptions[i] + ": ";
    if (!e.markerPresent) {
      line += "niets teruggezet, geen markering " + e.marker;
    } else if (!e.whyNot.empty()) {
      line += "niet teruggezet: " + e.whyNot + "; " + e.data + " blijft staan";
      ++failed;
    } else if (!sys::IsPresent(e.folder + e.marker) && sys::IsPresent(e.folder + e.data)) {
      line += e.dataPresent ? e.data + " opzij gezet als " + e.setAside + ", " : std::string();
      line += e.marker + " teruggezet als " + e.data;
      ++restored;
    } else {
      line += "niet teruggezet: het hernoemen is geweigerd (zie hierboven)";
      ++failed;
    }
    Say(w, line);
  }
  if (labelSwapped) {
    const bool back = sys::IsPresent(prog + "LMPR13.EXE") && !sys::IsPresent(prog + "LMPR10.EXE");
    Say(w,
        back
            ? "Labelprogramma teruggewisseld: LMPR.EXE is weer LMPR13.EXE, LMPR10.EXE weer LMPR.EXE"
            : "Labelprogramma niet teruggewisseld (zie hierboven)");
    if (!back) ++failed;
  }
  Say(w, sys::FormatGeneralDate(w.services.now()) + " Teruggezet: " + std::to_string(restored) +
             " bestanden; niet teruggezet: " + std::to_string(failed) + ".");
  return Finish(w, failed == 0 ? RestoreResult::kRestored : RestoreResult::kPartly);
}

}  // namespace druvo
