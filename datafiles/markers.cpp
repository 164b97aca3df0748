#include "datafiles/markers.h"

#include <algorithm>
#include <vector>

#include "datafiles/journal.h"
#include "datafiles/record.h"
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

// The name of a file of the entry as a plan names it: below the database folder.
std::string Planned(int index, const std::string& name) {
  return InWorkFolder(index) ? "QMVWORK\\" + name : name;
}

// Every set-aside number is taken: renaming with any of them could only be refused, so
// nothing is touched, and the user learns why nothing was set aside.
void ReportNoFreeNumber(MainWindow& w, const std::string& digits) {
  w.LogLine("Geen vrij volgnummer om bestanden opzij te zetten: " +
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

int SetAsideNumberOf(std::string_view text) {
  if (text.empty() || text.size() > 4 || text[0] == '0' ||
      text.find_first_not_of("0123456789") != std::string_view::npos)
    return 0;
  return std::stoi(std::string(text));
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

namespace {

// Carries out a preparation's plan; `entries` gives the catalogue index of each plan entry.
// A refused entry is back as it was: its ERROR line says so, and the loop leaves it alone.
Preparation CarryOut(MainWindow& w, const RenamePlan& plan, const std::vector<int>& entries,
                     const std::string& suffix) {
  const PlanResult result = CarryOutPlan(w, plan);
  for (const EntryRefusal& r : result.refused) {
    const int i = entries[r.entry];
    w.LogError(DataName(w, i, suffix) + " is niet omgezet: " + r.name + " kan niet worden hernoemd (" +
               r.why + ")");
    w.entriesReported.set(static_cast<std::size_t>(i));
  }
  sys::SetCurrentFolder(w.sDBPath);
  return {result.stopped, result.why};
}

}  // namespace

Preparation PreparePartialRepeat(MainWindow& w, const std::string& suffix, const std::string& digits) {
  const int n = ChooseSetAsideNumber(w, digits);
  if (n == 0) {
    ReportNoFreeNumber(w, digits);
    return {};
  }
  RenamePlan plan;
  std::vector<int> entries;
  for (int i = 0; i <= LastEntry(w); ++i) {
    const std::string marker = MarkerName(w, i, digits);
    const std::string setAside = SetAsideName(w, i, digits, n);
    if (PresentInEntryFolder(w, i, marker) && !PresentInEntryFolder(w, i, setAside)) {
      plan.push_back({{{PlanFolder::kDatabase, Planned(i, marker), Planned(i, setAside)}}});
      entries.push_back(i);
    }
  }
  return CarryOut(w, plan, entries, suffix);
}

Preparation PrepareFullRepeat(MainWindow& w, const std::string& suffix, const std::string& digits) {
  const int n = ChooseSetAsideNumber(w, digits);
  if (n == 0) {
    ReportNoFreeNumber(w, digits);
    return {};
  }
  const FileRecord record = FileRecord::Load(w.sDBPath);
  RenamePlan plan;
  std::vector<int> entries;
  for (int i = 0; i <= LastEntry(w); ++i) {
    const std::string data = DataName(w, i, suffix);
    const std::string setAside = SetAsideName(w, i, digits, n);
    const std::string marker = MarkerName(w, i, digits);
    // A data file is set aside only for a marker that takes its place: without one the
    // host would lose the file.
    if (!PresentInEntryFolder(w, i, marker)) continue;
    const bool dataPresent = PresentInEntryFolder(w, i, data);
    // Only the state before the conversion goes back: a marker torn by a crash, or not the
    // copy the utility made of this very file, would replace whole data with less.
    const MarkerVerdict verdict =
        CheckMarker(record, digits, RecordKey(w, i, suffix), InEntryFolder(w, i, marker));
    if (!verdict.trusted()) {
      w.LogError(data + " is niet omgezet: " + Planned(i, marker) + " wordt niet teruggezet, " +
                 WhyNotTrusted(verdict, data) + (dataPresent ? "; " + data + " blijft staan" : ""));
      w.entriesReported.set(static_cast<std::size_t>(i));
      continue;
    }
    // Step A moves the converted file out of the way, step B puts the state before the
    // conversion back in its place. A set-aside name already taken leaves the data file,
    // and with it the marker, where they are.
    if (dataPresent && PresentInEntryFolder(w, i, setAside)) continue;
    PlanEntry entry;
    if (dataPresent) entry.renames.push_back({PlanFolder::kDatabase, Planned(i, data), Planned(i, setAside)});
    entry.renames.push_back({PlanFolder::kDatabase, Planned(i, marker), Planned(i, data)});
    plan.push_back(std::move(entry));
    entries.push_back(i);
  }
  return CarryOut(w, plan, entries, suffix);
}

}  // namespace druvo
