#include "datafiles/markers.h"

#include <algorithm>
#include <vector>

#include "datafiles/journal.h"
#include "datafiles/record.h"
#include "model/catalogue.h"
#include "model/reporter.h"
#include "model/run_settings.h"
#include "model/services.h"
#include "sys/fs.h"
#include "sys/text.h"

namespace druvo {

namespace {

std::string DataName(const RunSettings& s, int index, const std::string& suffix) {
  return text::Upper(DataFileName(s.catalogue, index, suffix));
}

std::string InEntryFolder(const RunSettings& s, int index, const std::string& name) {
  return EntryFolder(s.databaseFolder, index) + "\\" + name;
}

bool PresentInEntryFolder(const RunSettings& s, int index, const std::string& name) {
  return sys::IsPresent(InEntryFolder(s, index, name));
}

// The name of a file of the entry as a plan names it: below the database folder.
std::string Planned(int index, const std::string& name) {
  return InWorkFolder(index) ? "QMVWORK\\" + name : name;
}

// Every set-aside number is taken: renaming with any of them could only be refused, so
// nothing is touched, and the user learns why nothing was set aside.
void ReportNoFreeNumber(const RunSettings& s, Reporter& log, const std::string& digits) {
  log.LogLine("Geen vrij volgnummer om bestanden opzij te zetten: " +
              SetAsideName(s.catalogue, kReferenceEntry, digits, 1) + " tot en met " +
              SetAsideName(s.catalogue, kReferenceEntry, digits, kMaxSetAsideNumber) +
              " bestaan al; er is niets hernoemd.");
}

}  // namespace

std::string MarkerName(const FileCatalogue& catalogue, int index, const std::string& digits) {
  return text::Upper(catalogue.baseNames[index] + "." + digits);
}

std::string SetAsideName(const FileCatalogue& catalogue, int index, const std::string& digits, int n) {
  return text::Upper(MarkerName(catalogue, index, digits) + "_" + std::to_string(n));
}

int SetAsideNumberOf(std::string_view text) {
  if (text.empty() || text.size() > 4 || text[0] == '0' ||
      text.find_first_not_of("0123456789") != std::string_view::npos)
    return 0;
  return std::stoi(std::string(text));
}

ConvertedCount CountConvertedFiles(const RunSettings& s, Reporter& events, const std::string& suffix,
                                   const std::string& digits) {
  ConvertedCount count;
  for (int i = 0; i <= s.lastEntry; ++i) {
    events.Repaint();
    if (PresentInEntryFolder(s, i, DataName(s, i, suffix))) ++count.dataFiles;
    // A marker counts also without its data file: the caller reads more markers than data
    // files as a conversion that was done.
    if (PresentInEntryFolder(s, i, MarkerName(s.catalogue, i, digits))) {
      count.anyMarker = true;
      ++count.markers;
    }
  }
  return count;
}

int ChooseSetAsideNumber(const RunSettings& s, const std::string& digits) {
  for (int n = 1; n <= kMaxSetAsideNumber; ++n) {
    if (!sys::IsPresent(s.databaseFolder + "\\" + SetAsideName(s.catalogue, kReferenceEntry, digits, n)))
      return n;
  }
  return 0;
}

namespace {

// Carries out a preparation's plan; `entries` gives the catalogue index of each plan entry.
// A refused entry is back as it was: its ERROR line says so, and the loop leaves it alone.
Preparation CarryOut(const RunSettings& s, Reporter& log, const Services& services, const RenamePlan& plan,
                     const std::vector<int>& entries, const std::string& suffix, Preparation prepared) {
  const PlanResult result = CarryOutPlan(s, log, services, plan);
  for (const EntryRefusal& r : result.refused) {
    const int i = entries[r.entry];
    log.LogError(DataName(s, i, suffix) + " is niet omgezet: " + r.name + " kan niet worden hernoemd (" + r.why +
                 ")");
    prepared.reported.set(static_cast<std::size_t>(i));
  }
  sys::SetCurrentFolder(s.databaseFolder);
  prepared.stopped = result.stopped;
  prepared.why = result.why;
  return prepared;
}

}  // namespace

Preparation PreparePartialRepeat(const RunSettings& s, Reporter& log, const Services& services,
                                 const std::string& suffix, const std::string& digits) {
  const int n = ChooseSetAsideNumber(s, digits);
  if (n == 0) {
    ReportNoFreeNumber(s, log, digits);
    return {};
  }
  RenamePlan plan;
  std::vector<int> entries;
  for (int i = 0; i <= s.lastEntry; ++i) {
    const std::string marker = MarkerName(s.catalogue, i, digits);
    const std::string setAside = SetAsideName(s.catalogue, i, digits, n);
    if (PresentInEntryFolder(s, i, marker) && !PresentInEntryFolder(s, i, setAside)) {
      plan.push_back({{{PlanFolder::kDatabase, Planned(i, marker), Planned(i, setAside)}}});
      entries.push_back(i);
    }
  }
  return CarryOut(s, log, services, plan, entries, suffix, {});
}

Preparation PrepareFullRepeat(const RunSettings& s, Reporter& log, const Services& services,
                              const std::string& suffix, const std::string& digits) {
  const int n = ChooseSetAsideNumber(s, digits);
  if (n == 0) {
    ReportNoFreeNumber(s, log, digits);
    return {};
  }
  const FileRecord record = FileRecord::Load(s.databaseFolder);
  RenamePlan plan;
  std::vector<int> entries;
  Preparation prepared;
  for (int i = 0; i <= s.lastEntry; ++i) {
    const std::string data = DataName(s, i, suffix);
    const std::string setAside = SetAsideName(s.catalogue, i, digits, n);
    const std::string marker = MarkerName(s.catalogue, i, digits);
    // A data file is set aside only for a marker that takes its place: without one the
    // host would lose the file.
    if (!PresentInEntryFolder(s, i, marker)) continue;
    const bool dataPresent = PresentInEntryFolder(s, i, data);
    // Only the state before the conversion goes back: a marker torn by a crash, or not the
    // copy the utility made of this very file, would replace whole data with less.
    const MarkerVerdict verdict =
        CheckMarker(record, digits, RecordKey(s.catalogue, i, suffix), InEntryFolder(s, i, marker));
    if (!verdict.trusted()) {
      log.LogError(data + " is niet omgezet: " + Planned(i, marker) + " wordt niet teruggezet, " +
                   WhyNotTrusted(verdict, data) + (dataPresent ? "; " + data + " blijft staan" : ""));
      prepared.reported.set(static_cast<std::size_t>(i));
      continue;
    }
    // Step A moves the converted file out of the way, step B puts the state before the
    // conversion back in its place. A set-aside name already taken leaves the data file,
    // and with it the marker, where they are.
    if (dataPresent && PresentInEntryFolder(s, i, setAside)) continue;
    PlanEntry entry;
    if (dataPresent) entry.renames.push_back({PlanFolder::kDatabase, Planned(i, data), Planned(i, setAside)});
    entry.renames.push_back({PlanFolder::kDatabase, Planned(i, marker), Planned(i, data)});
    plan.push_back(std::move(entry));
    entries.push_back(i);
  }
  return CarryOut(s, log, services, plan, entries, suffix, prepared);
}

}  // namespace druvo
