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

std::vector<std::string> SetAsideNamesIn(const std::string& folder, const std::string& marker) {
  const std::string prefix = marker + "_";
  std::vector<std::pair<int, std::string>> found;
  for (const std::string& name : sys::ListPlainFiles(folder)) {
    const std::string upper = text::Upper(name);
    if (upper.size() <= prefix.size() || upper.compare(0, prefix.size(), prefix) != 0) continue;
    if (const int n = SetAsideNumberOf(std::string_view(upper).substr(prefix.size()))) found.emplace_back(n, name);
  }
  std::sort(found.begin(), found.end());
  std::vector<std::string> names;
  for (auto& [n, name] : found) names.push_back(std::move(name));
  return names;
}

bool TakeMarkerAsFound(const std::string& databaseFolder, Reporter* log, const std::string& digits,
                       const std::string& key, const std::string& marker, const std::string& data,
                       const MarkerVerdict& verdict, bool beginsAnew, std::string* why) {
  std::string reason;
  if ((beginsAnew && !AppendRestored(databaseFolder, digits, key, &reason)) ||
      !AppendRecord(databaseFolder, digits, key, verdict.marker, &reason)) {
    if (why) *why = "kan " + databaseFolder + "\\" + kRecordFileName + " niet schrijven (" + reason + ")";
    return false;
  }
  if (log)
    log->LogLine(marker + " is genomen zoals gevonden (" +
                 (verdict.match == MarkerMatch::kDamagedRecord ? std::string("een regel erover in ") + kRecordFileName +
                                                                     " is beschadigd"
                                                               : std::string("geen regel in ") + kRecordFileName) +
                 "): voortaan de toestand van " + data + " van voor de conversie, " +
                 std::to_string(verdict.marker.size) + " bytes");
  return true;
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
  const FileRecord record = FileRecord::Load(s.databaseFolder);
  RenamePlan plan;
  std::vector<int> entries;
  for (int i = 0; i <= s.lastEntry; ++i) {
    const std::string marker = MarkerName(s.catalogue, i, digits);
    const std::string setAside = SetAsideName(s.catalogue, i, digits, n);
    if (PresentInEntryFolder(s, i, marker) && !PresentInEntryFolder(s, i, setAside)) {
      // A marker the record knows nothing of is recorded before it goes aside, so that a
      // restore can tell it from what the repeat's own call leaves.
      const std::string key = RecordKey(s.catalogue, i, suffix);
      const MarkerVerdict verdict = CheckMarker(record, digits, key, InEntryFolder(s, i, marker));
      if (verdict.unknown())
        TakeMarkerAsFound(s.databaseFolder, nullptr, digits, key, Planned(i, marker), DataName(s, i, suffix), verdict,
                          SetAsideNamesIn(EntryFolder(s.databaseFolder, i), marker).empty(), nullptr);
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
    // copy the utility made of this very file, would replace whole data with less. A marker
    // the record cannot vouch for (made by the older program, by the utility run by hand, or
    // under a lost or damaged record) is taken as found, and recorded from then on.
    const std::string key = RecordKey(s.catalogue, i, suffix);
    const MarkerVerdict verdict = CheckMarker(record, digits, key, InEntryFolder(s, i, marker));
    std::string why;
    if (verdict.unknown()) {
      if (!TakeMarkerAsFound(s.databaseFolder, &log, digits, key, Planned(i, marker), data, verdict,
                                  SetAsideNamesIn(EntryFolder(s.databaseFolder, i), marker).empty(), &why))
        why = "het kan niet worden vastgelegd, " + why;
    } else if (!verdict.trusted()) {
      why = WhyNotTrusted(verdict, data);
    }
    if (!why.empty()) {
      log.LogError(data + " is niet omgezet: " + Planned(i, marker) + " wordt niet teruggezet, " + why +
                   (dataPresent ? "; " + data + " blijft staan" : ""));
      prepared.reported.set(static_cast<std::size_t>(i));
      continue;
    }
    // Step A moves the converted file out of the way, step B puts the state before the
    // conversion back in its place. A set-aside name already taken leaves the data file,
    // and with it the marker, where they are.
    if (dataPresent && PresentInEntryFolder(s, i, setAside)) continue;
    // Work done in the file since the conversion (a sale added) goes aside with it: said, so
    // that the shop can do it again.
    if (const auto left = dataPresent ? record.After(digits, key) : std::nullopt) {
      const auto now = FingerprintOf(InEntryFolder(s, i, data));
      if (now && *now != *left)
        log.LogLine("Let op: " + data + " is veranderd sinds de conversie (" + std::to_string(now->size) +
                    " bytes, de conversie liet er " + std::to_string(left->size) + "); deze nieuwere inhoud gaat opzij als " +
                    Planned(i, setAside));
    }
    PlanEntry entry;
    if (dataPresent) entry.renames.push_back({PlanFolder::kDatabase, Planned(i, data), Planned(i, setAside)});
    entry.renames.push_back({PlanFolder::kDatabase, Planned(i, marker), Planned(i, data)});
    plan.push_back(std::move(entry));
    entries.push_back(i);
  }
  return CarryOut(s, log, services, plan, entries, suffix, prepared);
}

}  // namespace druvo
