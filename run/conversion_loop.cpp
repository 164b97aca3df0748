#include "datafiles/disk_space.h"
#include "datafiles/markers.h"
#include "datafiles/record.h"
#include "model/main_window.h"
#include "run/start_command.h"
#include "sys/format.h"
#include "sys/fs.h"
#include "sys/text.h"
#include "tools/log_view.h"
#include "tools/probe.h"
#include "tools/process.h"

namespace druvo {

namespace {

// Makes the entry's folder current when its data file is there; the database folder is
// read from the text box at every entry, so a change made during the run applies at once.
void FolderStep(MainWindow& w, int i) {
  const std::string db = w.view.Text(Control::txtDatabasePath);
  const std::string& base = w.catalogue.baseNames[i];
  if (InWorkFolder(i)) {
    if (sys::IsPresent(db + "\\QMVWORK\\" + base + ".dat")) sys::SetCurrentFolder(db + "\\QMVWORK");
  } else {
    if (sys::IsPresent(db + "\\" + base + w.dataFileSuffix)) sys::SetCurrentFolder(db);
  }
}

Command UtilityCommand(const MainWindow& w, bool wrapper, const std::string& file) {
  if (wrapper) return {w.sExePath + "\\RCXB.BAT", {"N", file, w.directionDigits, w.sExePath}};
  return {w.sExePath + "\\RCX.exe", {"N", file, w.directionDigits}};
}

}  // namespace

bool ConversionLoop(MainWindow& w) {
  if (!CheckDiskSpace(w)) return false;

  const std::string db = w.view.Text(Control::txtDatabasePath);
  if (!sys::SetCurrentFolder(db) && !w.tolerantMode)
    w.LogAppend("De database folder " + db + " kan niet worden geopend\r\n");

  const bool wrapper = ProbeConversionUtility(w, w.dataFileSuffix);
  const int last = w.lastIndex;
  for (int i = 0; i <= last; ++i) {
    FolderStep(w, i);

    const std::string status = w.catalogue.descriptions[i] + " (" + std::to_string(i + 1) +
                               " van " + std::to_string(last + 1) + ")";
    w.SetStatus(status);
    w.LogAppend("\r\n" + sys::FormatGeneralDate(w.services.now()) + " " + status + "\r\n");
    w.LogCaretToEnd();
    w.view.Progress(i + 1, last + 1);
    w.view.DoEvents();

    const std::string file = text::Upper(DataFileName(w.catalogue, i, w.dataFileSuffix));
    if (!sys::IsPresent(file)) continue;

    // The marker holds the file's earlier state. While it is in place (a repeat that could
    // not set it aside), converting again would make the utility refuse or, worse, lose that
    // state: the file is left alone.
    const std::string marker = MarkerName(w, i, w.directionDigits);
    if (sys::IsPresent(marker)) {
      w.LogAppend(file + " overgeslagen: " + marker +
                  " staat er nog, de vorige toestand van het bestand zou verloren gaan\r\n");
      w.LogCaretToEnd();
      continue;
    }

    // What the file holds now is recorded, on disk, before the utility may change it: it is
    // what the marker must hold afterwards, and what a repeat may put back.
    w.BeforeChange("record written");
    const auto fingerprint = FingerprintOf(file);
    if (!fingerprint || !AppendRecord(w.sDBPath, w.directionDigits, RecordKey(w, i, w.dataFileSuffix), *fingerprint)) {
      w.LogAppend("ERROR: " + file + " is niet omgezet: " +
                  (fingerprint ? "kan " + w.sDBPath + "\\" + kRecordFileName + " niet schrijven"
                               : std::string("kan het bestand niet lezen")) +
                  "\r\n");
      ++w.errorCount;
      w.LogCaretToEnd();
      continue;
    }

    // The utility's own outcome is not examined, but a utility that could not even be
    // started has converted nothing, and the run must not look as if it had.
    w.BeforeChange("utility started");
    const Command command = UtilityCommand(w, wrapper, file);
    if (!ShellandWait(w, command, 0)) {
      w.LogAppend(command.Text() + " kon niet worden gestart; " + file + " is niet omgezet\r\n");
      w.LogCaretToEnd();
    }
    w.tolerantMode = true;
    AppendLogToView(w, w.catalogue.baseNames[i] + ".Log");
  }
  w.view.Progress(0, 0);
  return true;
}

}  // namespace druvo
