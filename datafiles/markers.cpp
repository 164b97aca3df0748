#include "datafiles/markers.h"

#include <algorithm>

#include "model/catalogue.h"
#include "model/main_window.h"
#include "sys/fs.h"
#include "sys/text.h"

namespace druvo {

namespace {

int LastEntry(const MainWindow& w) { return std::min<int>(w.lastIndex, kCatalogueSize - 1); }

std::string DataName(const MainWindow& w, int index, const std::string& suffix) {
  return text::Upper(DataFileName(w.catalogue, index, suffix));
}

std::string InEntryFolder(const MainWindow& w, int index, const std::string& name) {
  return EntryFolder(w.sDBPath, index) + "\\" + name;
}

bool PresentInEntryFolder(const MainWindow& w, int index, const std::string& name) {
  return sys::IsPresent(InEntryFolder(w, index, name));
}

// The preparation yields to no events, so a report only updates the log view's text.
void Report(MainWindow& w, const std::string& line) {
  w.LogAppend(line + "\r\n");
  w.LogCap();
  w.LogCaretToEnd();
}

// Renames within the entry's folder by full paths: the renames then reach the right files
// whichever folder is current, also when the work subfolder could not be made current.
// A taken target or a vanished source is what the guards before every rename already rule
// out; when another program changes the folder in between, the rename is skipped just as
// the guard would have skipped it, and the never-overwriting rename keeps both files.
// Anything else the system refuses is the user's to know, and the run goes on.
void RenameInEntryFolder(MainWindow& w, int index, const std::string& from, const std::string& to) {
  const std::string source = InEntryFolder(w, index, from);
  const std::string target = InEntryFolder(w, index, to);
  sys::RenameResult r =
      w.services.rename ? w.services.rename(source, target) : sys::RenameNoReplace(source, target);
  if (r.status != sys::RenameStatus::kFailed) return;
  const std::string shown = InWorkFolder(index) ? "QMVWORK\\" + from : from;
  Report(w, "Kan " + shown + " niet hernoemen naar " + to + ": " +
                (r.why.empty() ? std::string("onbekende oorzaak") : r.why));
}

// Every set-aside number is taken: renaming with any of them could only be refused, so
// nothing is touched, and the user learns why nothing was set aside.
void ReportNoFreeNumber(MainWindow& w, const std::string& digits) {
  Report(w, "Geen vrij volgnummer om bestanden opzij te zetten: " +
                SetAsideName(w, kReferenceEntry, digits, 1) + " tot en met " +
                SetAsideName(w, kReferenceEntry, digits, kMaxSetAsideNumber) +
                " bestaan al; er is niets hernoemd.");
}

}  // namespace

std::string MarkerName(const MainWindow& w, int index, const std::string& digits) {
  return text::Upper(w.catalogue.baseNames[index] + "." + digits);
}

std::string SetAsideName(const MainWindow& w, int index, const std::string& digits, int n) {
  return text::Upper(MarkerName(w, index, digits) + "_" + std::to_string(n));
}

ConvertedCount CountConvertedFiles(MainWindow& w, const std::string& suffix, const std::string& digits) {
  ConvertedCount count;
  for (int i = 0; i <= LastEntry(w); ++i) {
    w.view.Repaint();
    if (PresentInEntryFolder(w, i, DataName(w, i, suffix))) ++count.dataFiles;
    // A marker counts also without its data file: the caller reads more markers than data
    // files as a conversion that was done.
    if (PresentInEntryFolder(w, i, MarkerName(w, i, digits))) {
      count.anyMarker = true;
      ++count.markers;
    }
  }
  return count;
}

int ChooseSetAsideNumber(MainWindow& w, const std::string& digits) {
  for (int n = 1; n <= kMaxSetAsideNumber; ++n) {
    if (!sys::IsPresent(w.sDBPath + "\\" + SetAsideName(w, kReferenceEntry, digits, n))) return n;
  }
  return 0;
}

void PreparePartialRepeat(MainWindow& w, const std::string& /*suffix*/, const std::string& digits) {
  const int n = ChooseSetAsideNumber(w, digits);
  if (n == 0) {
    ReportNoFreeNumber(w, digits);
    return;
  }
  for (int i = 0; i <= LastEntry(w); ++i) {
    // The folder changes only where the walk crosses into or out of the work subfolder.
    // A work subfolder that is missing holds nothing to set aside, so a failed switch
    // needs no handling: the presence tests below find nothing there.
    if (i > 0 && InWorkFolder(i) != InWorkFolder(i - 1)) sys::SetCurrentFolder(EntryFolder(w.sDBPath, i));
    const std::string marker = MarkerName(w, i, digits);
    const std::string setAside = SetAsideName(w, i, digits, n);
    if (PresentInEntryFolder(w, i, marker) && !PresentInEntryFolder(w, i, setAside))
      RenameInEntryFolder(w, i, marker, setAside);
  }
  sys::SetCurrentFolder(w.sDBPath);
}

void PrepareFullRepeat(MainWindow& w, const std::string& suffix, const std::string& digits) {
  const int n = ChooseSetAsideNumber(w, digits);
  if (n == 0) {
    ReportNoFreeNumber(w, digits);
    return;
  }
  for (int i = 0; i <= LastEntry(w); ++i) {
    sys::SetCurrentFolder(EntryFolder(w.sDBPath, i));
    const std::string data = DataName(w, i, suffix);
    const std::string setAside = SetAsideName(w, i, digits, n);
    const std::string marker = MarkerName(w, i, digits);
    // Step A moves the converted file out of the way, step B puts the state before the
    // conversion back in its place. Each step looks afresh, so a refused step A leaves
    // the data file present and step B then leaves the marker alone.
    if (!PresentInEntryFolder(w, i, setAside) && PresentInEntryFolder(w, i, data))
      RenameInEntryFolder(w, i, data, setAside);
    if (!PresentInEntryFolder(w, i, data) && PresentInEntryFolder(w, i, marker))
      RenameInEntryFolder(w, i, marker, data);
  }
  sys::SetCurrentFolder(w.sDBPath);
}

}  // namespace druvo
