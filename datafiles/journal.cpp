#include "datafiles/journal.h"

#include <algorithm>
#include <charconv>
#include <map>

#include "datafiles/markers.h"
#include "datafiles/record.h"
#include "model/catalogue.h"
#include "model/reporter.h"
#include "model/run_settings.h"
#include "model/services.h"
#include "sys/fs.h"
#include "sys/text.h"

namespace druvo {

namespace {

constexpr std::string_view kHeader = "DRUVO rename plan 3";
// The versions before: entries without notes; before that, one rename per line and the label
// tool named by its full path.
constexpr std::string_view kHeaderV2 = "DRUVO rename plan 2";
constexpr std::string_view kHeaderV1 = "DRUVO rename plan 1";
constexpr std::string_view kWorkPrefix = "QMVWORK\\";
constexpr std::int64_t kMaxJournal = 4 << 20;  // a journal is a few kilobytes

std::string JournalPath(const std::string& databaseFolder) {
  return databaseFolder + "\\" + kJournalFileName;
}

// Names may hold any character but the line end and the separator.
std::string Escape(std::string_view s) {
  std::string out;
  for (char c : s) {
    if (c == '%' || c == '\t' || c == '\n' || c == '\r') {
      static const char hex[] = "0123456789ABCDEF";
      out += '%';
      out += hex[(static_cast<unsigned char>(c) >> 4) & 0xF];
      out += hex[static_cast<unsigned char>(c) & 0xF];
    } else {
      out += c;
    }
  }
  return out;
}

bool Unescape(std::string_view s, std::string& out) {
  out.clear();
  for (std::size_t i = 0; i < s.size(); ++i) {
    if (s[i] != '%') {
      out += s[i];
      continue;
    }
    unsigned v = 0;
    if (i + 2 >= s.size()) return false;
    auto [end, ec] = std::from_chars(s.data() + i + 1, s.data() + i + 3, v, 16);
    if (ec != std::errc() || end != s.data() + i + 3) return false;
    out += static_cast<char>(v);
    i += 2;
  }
  return true;
}

bool ParseCount(std::string_view s, std::size_t& n) {
  auto [p, ec] = std::from_chars(s.data(), s.data() + s.size(), n);
  return ec == std::errc() && p == s.data() + s.size() && !s.empty();
}

// "from<TAB>to", both unescaped and not empty.
bool ParsePair(std::string_view line, PlannedRename& r) {
  const auto tab = line.find('\t');
  return tab != std::string_view::npos && Unescape(line.substr(0, tab), r.from) &&
         Unescape(line.substr(tab + 1), r.to) && !r.from.empty() && !r.to.empty();
}

// A name of the version before, given by full path: the label tool in the program folder.
void FromFullPath(std::string& name, PlanFolder& folder, const std::string& programFolder) {
  const auto slash = name.find_last_of("\\/");
  if (slash == std::string::npos || programFolder.empty()) return;
  auto canonical = [](std::string s) {
    for (char& c : s) c = c == '/' ? '\\' : c;
    while (!s.empty() && s.back() == '\\') s.pop_back();
    return text::Upper(s);
  };
  if (canonical(name.substr(0, slash)) != canonical(programFolder)) return;
  name = name.substr(slash + 1);
  folder = PlanFolder::kProgram;
}

// What an administration number may add to ".D": no separator, stream, wildcard or control
// character, as the start checks allow it.
bool SuffixTail(std::string_view s) { return text::CountChars(s) <= 2 && !text::UnsafeInFileName(s); }

bool SameName(std::string_view a, std::string_view b) {
  return text::Upper(std::string(a)) == text::Upper(std::string(b));
}

// The first rename of the plan that names a file outside the installation, if any.
const PlannedRename* FirstOutside(const FileCatalogue& catalogue, const RenamePlan& plan) {
  for (const PlanEntry& e : plan)
    for (const PlannedRename& r : e.renames)
      if (!NameInInstallation(catalogue, r.folder, r.from) || !NameInInstallation(catalogue, r.folder, r.to))
        return &r;
  return nullptr;
}

// Whether an entry's note fits its renames: a restore ends with the data file it names in
// place, the label tool's renames are all in the program folder.
bool NoteFits(const FileCatalogue& catalogue, const PlanEntry& e) {
  const RecordNote& n = e.note;
  if (n.kind == RecordNote::Kind::kNone) return true;
  if ((n.digits != "13" && n.digits != "10") || e.renames.empty()) return false;
  if (n.kind == RecordNote::Kind::kLabelToolBack)
    return std::all_of(e.renames.begin(), e.renames.end(),
                       [](const PlannedRename& r) { return r.folder == PlanFolder::kProgram; });
  const PlannedRename& last = e.renames.back();
  const auto dot = n.key.rfind('.');
  return last.folder == PlanFolder::kDatabase && text::Upper(last.to) == n.key && dot != std::string::npos &&
         dot + 1 < n.key.size() && n.key[dot + 1] == 'D' && NameInInstallation(catalogue, PlanFolder::kDatabase, n.key);
}

const PlanEntry* FirstMisfit(const FileCatalogue& catalogue, const RenamePlan& plan) {
  for (const PlanEntry& e : plan)
    if (!NoteFits(catalogue, e)) return &e;
  return nullptr;
}

std::string InPlanFolder(const RunSettings& s, PlanFolder folder, const std::string& name) {
  return (folder == PlanFolder::kProgram ? s.programFolder : s.databaseFolder) + "\\" + name;
}

}  // namespace

bool NameInInstallation(const FileCatalogue& catalogue, PlanFolder folder, std::string_view name) {
  if (folder == PlanFolder::kProgram)
    return SameName(name, "LMPR.EXE") || SameName(name, "LMPR10.EXE") || SameName(name, "LMPR13.EXE");
  bool work = false;
  if (name.size() > kWorkPrefix.size() && text::UpperStartsWith(name, kWorkPrefix)) {
    work = true;
    name.remove_prefix(kWorkPrefix.size());
  }
  // One name in its entry's folder: nothing that leads elsewhere.
  if (name.find_first_of("\\/:") != std::string_view::npos) return false;
  const auto dot = name.find('.');
  if (dot == std::string_view::npos) return false;
  const std::string_view base = name.substr(0, dot);
  const std::string_view ext = name.substr(dot + 1);
  int index = -1;
  for (int i = 0; i < kCatalogueSize; ++i)
    if (SameName(base, catalogue.baseNames[i])) index = i;
  if (index < 0 || InWorkFolder(index) != work) return false;
  const std::string_view digits = ext.substr(0, 2);
  if (digits == "13" || digits == "10") {
    if (ext.size() == 2) return true;  // the marker
    const std::string_view n = ext.substr(2);
    return n.size() >= 2 && n[0] == '_' && SetAsideNumberOf(n.substr(1)) > 0;  // a set-aside name
  }
  // The data file: ".dat" in the work folder, the administration's suffix elsewhere.
  if (work) return SameName(ext, "DAT");
  return !ext.empty() && (ext[0] == 'D' || ext[0] == 'd') && SuffixTail(ext.substr(1));
}

std::string EncodeJournal(const RenamePlan& plan) {
  std::string text = std::string(kHeader) + "\n";
  std::size_t count = 0;
  for (const PlanEntry& e : plan) {
    text += "E\n";
    for (const PlannedRename& r : e.renames) {
      text += r.folder == PlanFolder::kProgram ? "P\t" : "D\t";
      text += Escape(r.from) + "\t" + Escape(r.to) + "\n";
      ++count;
    }
    if (e.note.kind == RecordNote::Kind::kRestored) text += "R\t" + e.note.digits + "\t" + Escape(e.note.key) + "\n";
    if (e.note.kind == RecordNote::Kind::kLabelToolBack) text += "L\t" + e.note.digits + "\n";
  }
  text += "END " + std::to_string(count) + "\n";
  return text;
}

bool ParseJournal(std::string_view text, RenamePlan& plan, const std::string& programFolder) {
  plan.clear();
  std::vector<std::string_view> lines;
  while (!text.empty()) {
    const auto nl = text.find('\n');
    if (nl == std::string_view::npos) return false;  // torn inside a line
    lines.push_back(text.substr(0, nl));
    text.remove_prefix(nl + 1);
  }
  if (lines.size() < 2) return false;
  const bool v1 = lines.front() == kHeaderV1;
  const bool notes = lines.front() == kHeader;
  if (!v1 && !notes && lines.front() != kHeaderV2) return false;
  const std::string_view end = lines.back();
  std::size_t count = 0;
  if (end.substr(0, 4) != "END " || !ParseCount(end.substr(4), count)) return false;
  std::size_t renames = 0;
  for (std::size_t i = 1; i + 1 < lines.size(); ++i) {
    const std::string_view line = lines[i];
    PlannedRename r;
    if (v1) {
      if (!ParsePair(line, r)) return false;
      FromFullPath(r.from, r.folder, programFolder);
      PlanFolder toFolder = PlanFolder::kDatabase;
      FromFullPath(r.to, toFolder, programFolder);
      if (toFolder != r.folder) return false;
      plan.push_back({{r}});
    } else if (line == "E") {
      plan.emplace_back();
      continue;
    } else if (notes && !plan.empty() && plan.back().note.kind == RecordNote::Kind::kNone &&
               (line.substr(0, 2) == "R\t" || line.substr(0, 2) == "L\t")) {
      RecordNote& n = plan.back().note;
      n.kind = line[0] == 'R' ? RecordNote::Kind::kRestored : RecordNote::Kind::kLabelToolBack;
      const auto tab = line.find('\t', 2);
      n.digits = line.substr(2, tab == std::string_view::npos ? std::string_view::npos : tab - 2);
      if ((n.kind == RecordNote::Kind::kRestored) != (tab != std::string_view::npos)) return false;
      if (tab != std::string_view::npos && !Unescape(line.substr(tab + 1), n.key)) return false;
      continue;
    } else {
      if (plan.empty() || line.size() < 2 || line[1] != '\t' || (line[0] != 'D' && line[0] != 'P') ||
          !ParsePair(line.substr(2), r))
        return false;
      r.folder = line[0] == 'P' ? PlanFolder::kProgram : PlanFolder::kDatabase;
      plan.back().renames.push_back(std::move(r));
    }
    ++renames;
  }
  return renames == count;
}

JournalState ReadJournal(const RunSettings& s, RenamePlan& plan, std::string* foreign) {
  plan.clear();
  const std::string path = JournalPath(s.databaseFolder);
  if (!sys::IsPresent(path)) return JournalState::kNone;
  std::string text;
  const bool tooLarge = sys::FileSize(path).value_or(0) > kMaxJournal;
  if (!tooLarge) sys::ReadOwnFile(path, 64 * 1024, [&](std::string_view piece) { text.append(piece); });
  // Torn by a crash while it was written, it lacks its last line; anything else that cannot
  // be read is not a journal this program wrote.
  const bool ended = text.size() >= 2 && text.back() == '\n' &&
                     text.rfind("\nEND ") != std::string::npos &&
                     text.find('\n', text.rfind("\nEND ") + 1) == text.size() - 1;
  if (!tooLarge && !ParseJournal(text, plan, s.programFolder)) {
    plan.clear();
    if (!ended) return JournalState::kTorn;
    if (foreign) *foreign = "de inhoud is geen hernoemplan";
    return JournalState::kForeign;
  }
  if (tooLarge) {
    if (foreign) *foreign = "het is te groot voor een hernoemplan";
    return JournalState::kForeign;
  }
  if (const PlannedRename* r = FirstOutside(s.catalogue, plan)) {
    if (foreign) *foreign = r->from + " -> " + r->to;
    plan.clear();
    return JournalState::kForeign;
  }
  if (const PlanEntry* e = FirstMisfit(s.catalogue, plan)) {
    if (foreign) *foreign = "een notitie voor " + std::string(kRecordFileName) + " die niet bij zijn hernoemingen past (" +
                            e->note.digits + " " + e->note.key + ")";
    plan.clear();
    return JournalState::kForeign;
  }
  return JournalState::kComplete;
}

std::string PlannedFrom(const RunSettings& s, const PlannedRename& r) { return InPlanFolder(s, r.folder, r.from); }

std::string PlannedTo(const RunSettings& s, const PlannedRename& r) { return InPlanFolder(s, r.folder, r.to); }

bool RenameDue(const RunSettings& s, const PlannedRename& r) {
  return sys::IsPresent(PlannedFrom(s, r)) && !sys::ResolveExisting(PlannedTo(s, r));
}

namespace {

// What carrying out a plan uses: the folders and catalogue, the log view, the services.
struct Context {
  const RunSettings& s;
  Reporter& log;
  const Services& services;
};

sys::RenameResult Rename(const Context& c, const PlannedRename& r) {
  return c.services.Rename(PlannedFrom(c.s, r), PlannedTo(c.s, r));
}

std::string Reason(const sys::RenameResult& result) {
  return result.why.empty() ? std::string("onbekende oorzaak") : result.why;
}

bool RemoveJournal(const Context& c) {
  c.services.BeforeChange("journal removed");
  return sys::RemoveFileDurably(JournalPath(c.s.databaseFolder));
}

struct EntryOutcome {
  int renamed = 0;
  bool refused = false;
  bool stopped = false;
  std::string name;  // refused: the name that was not renamed; stopped: the one not put back
  std::string why;
};

// Makes one entry's due renames. When the system refuses one, the renames of the entry that
// are made (now, or before a crash) are undone in reverse, by the same rule: a rename back
// is made when its source is there and its target free. Made from the entry's folder, as the
// host's own tools work.
EntryOutcome CarryOutEntry(const Context& c, const PlanEntry& e) {
  EntryOutcome out;
  for (std::size_t k = 0; k < e.renames.size(); ++k) {
    const PlannedRename& r = e.renames[k];
    if (!RenameDue(c.s, r)) continue;
    const std::string from = PlannedFrom(c.s, r);
    sys::SetCurrentFolder(sys::ParentFolder(from));
    const sys::RenameResult result = Rename(c, r);
    if (result.ok()) ++out.renamed;
    // A taken target or a vanished source is skipped, as the plan's own guards would have
    // skipped it; the never-overwriting rename keeps both files.
    if (result.status != sys::RenameStatus::kFailed) continue;
    out.refused = true;
    out.name = r.from;
    out.why = Reason(result);
    for (std::size_t j = k; j-- > 0;) {
      const PlannedRename back{e.renames[j].folder, e.renames[j].to, e.renames[j].from};
      if (!RenameDue(c.s, back)) continue;
      const sys::RenameResult undo = Rename(c, back);
      if (undo.ok()) continue;
      out.stopped = true;
      out.name = back.from;
      out.why = Reason(undo);
      return out;
    }
    return out;
  }
  return out;
}

// Whether every rename of the entry is made: each name it ends with is there, each name it
// leaves is not, whether the renames were made now or before a crash.
bool EntryDone(const RunSettings& s, const PlanEntry& e) {
  std::map<std::string, std::pair<std::string, bool>> end;  // upper-cased path: the path, there at the end
  for (const PlannedRename& r : e.renames) {
    end[text::Upper(PlannedFrom(s, r))] = {PlannedFrom(s, r), false};
    end[text::Upper(PlannedTo(s, r))] = {PlannedTo(s, r), true};
  }
  return !e.renames.empty() && std::all_of(end.begin(), end.end(), [](const auto& name) {
    return sys::IsPresent(name.second.first) == name.second.second;
  });
}

// Writes the note of an entry whose renames are all made. False, `why` saying what to do,
// when the record cannot be written: the journal then stays, so that the next Start writes it.
bool WriteNote(const Context& c, const RecordNote& n, std::string& why) {
  if (n.kind == RecordNote::Kind::kNone) return true;
  c.services.BeforeChange("record written");
  std::string reason;
  const bool ok = n.kind == RecordNote::Kind::kRestored ? AppendRestored(c.s.databaseFolder, n.digits, n.key, &reason)
                                                        : AppendLabelToolSwap(c.s.databaseFolder, n.digits, false, &reason);
  if (!ok)
    why = std::string(kRecordFileName) + " kan niet worden geschreven (" + reason + "); het hernoemplan blijft in " +
          kJournalFileName + " staan en de volgende Start maakt het af.";
  return ok;
}

std::string Describe(const std::string& name, const std::string& why) {
  return name + " kan niet worden hernoemd (" + why + ")";
}

std::string StoppedText(const EntryOutcome& o, bool journal = true) {
  if (!journal)
    return o.name + " kan niet worden teruggezet (" + o.why + "); er is geen hernoemplan in " +
           kJournalFileName + ", zet het met de hand terug.";
  return o.name + " kan niet worden teruggezet (" + o.why + "); het hernoemplan blijft in " +
         kJournalFileName + " staan en de volgende Start maakt het af.";
}

// Puts the journal aside under the first free DRUVO.JNL_<n>, for whoever wants to see it: a
// journal that is not carried out is never removed, for it may be no file of this program's
// (what Wine shows of a Unix link, or a share of a link on its server). False with `why`.
bool SetJournalAside(const Context& c, int& n, std::string& why) {
  const std::string journal = JournalPath(c.s.databaseFolder);
  why = "onbekende oorzaak";
  // A rename would move a link's target (under Wine) into the database folder.
  if (const sys::NameKind kind = sys::KindOfName(journal); kind != sys::NameKind::kFile) {
    why = sys::NotAPlainFile(kind);
    return false;
  }
  for (n = 1; n <= 9999; ++n) {
    const std::string aside = journal + "_" + std::to_string(n);
    if (sys::ResolveExisting(aside)) continue;
    const sys::RenameResult r = c.services.Rename(journal, aside);
    if (r.ok()) return true;
    if (r.status != sys::RenameStatus::kTargetTaken) {
      why = Reason(r);
      break;
    }
  }
  return false;
}

// The note an entry without one earns once it is done: an entry that put a marker, or one set
// aside, back in its data file's place, leaving the data file as the record holds it before
// the first conversion, is a restore (as the versions before wrote one, without notes).
RecordNote EarnedNote(const FileRecord& record, const RunSettings& s, const PlanEntry& e) {
  if (e.note.kind != RecordNote::Kind::kNone || e.renames.empty()) return {};
  const PlannedRename& last = e.renames.back();
  const auto dot = [](const std::string& name) { return name.rfind('.'); };
  if (last.folder != PlanFolder::kDatabase || dot(last.from) == std::string::npos || dot(last.to) == std::string::npos)
    return {};
  const std::string digits = text::Upper(last.from.substr(dot(last.from) + 1, 2));
  const std::string ext = text::Upper(last.to.substr(dot(last.to) + 1));
  if ((digits != "13" && digits != "10") || ext.empty() || ext[0] != 'D') return {};
  const std::string key = text::Upper(last.to);
  const auto earliest = record.Damaged(digits, key) ? std::nullopt : record.Earliest(digits, key);
  if (!earliest || FingerprintOf(PlannedTo(s, last)) != earliest) return {};
  return {RecordNote::Kind::kRestored, digits, key};
}

// A journal that names files outside the installation is never carried out.
std::string SetForeignJournalAside(const Context& c, const std::string& foreign) {
  int n = 0;
  std::string why;
  if (SetJournalAside(c, n, why))
    return std::string(kJournalFileName) + " in " + c.s.databaseFolder +
           " is niet uitgevoerd: het noemt een bestand buiten de installatie (" + foreign +
           "). Het staat nu opzij als " + kJournalFileName + "_" + std::to_string(n) +
           "; controleer de bestanden en druk opnieuw op Start.";
  return std::string(kJournalFileName) + " in " + c.s.databaseFolder +
         " is niet uitgevoerd: het noemt een bestand buiten de installatie (" + foreign +
         ") en kan niet opzij worden gezet (" + why + "); verwijder het en druk opnieuw op Start.";
}

}  // namespace

PlanResult CarryOutPlan(const RunSettings& s, Reporter& log, const Services& services, const RenamePlan& plan,
                        bool evenWithoutJournal) {
  const Context c{s, log, services};
  PlanResult result;
  result.done.assign(plan.size(), false);
  // What the next Start would refuse to finish is never begun.
  if (const PlannedRename* r = FirstOutside(s.catalogue, plan)) {
    c.log.LogLine("Hernoemplan niet uitgevoerd: " + r->from + " -> " + r->to + " ligt buiten de installatie.");
    result.journalWritten = false;
    return result;
  }
  if (FirstMisfit(s.catalogue, plan)) {
    c.log.LogLine("Hernoemplan niet uitgevoerd: een notitie past niet bij zijn hernoemingen.");
    result.journalWritten = false;
    return result;
  }
  if (std::all_of(plan.begin(), plan.end(), [](const PlanEntry& e) { return e.renames.empty(); })) return result;
  c.services.BeforeChange("journal written");
  std::string why;
  // Made new: a name already taken is never emptied, and what it holds stays.
  if (!sys::WriteNewFileDurably(JournalPath(c.s.databaseFolder), EncodeJournal(plan), &why)) {
    result.journalWritten = false;
    if (!evenWithoutJournal) {
      c.log.LogLine("Kan " + JournalPath(c.s.databaseFolder) + " niet schrijven (" + why + "); er is niets hernoemd.");
      return result;
    }
    c.log.LogLine("Kan " + JournalPath(c.s.databaseFolder) + " niet schrijven (" + why + "); er wordt hernoemd zonder hernoemplan.");
  }
  for (std::size_t i = 0; i < plan.size(); ++i) {
    const EntryOutcome o = CarryOutEntry(c, plan[i]);
    if (o.stopped) {
      result.stopped = true;
      result.why = StoppedText(o, result.journalWritten);
      return result;  // the journal stays
    }
    if (o.refused) {
      result.refused.push_back({i, o.name, o.why});
    } else if (EntryDone(s, plan[i])) {
      if (!WriteNote(c, plan[i].note, result.why)) {
        result.stopped = true;
        return result;  // the journal stays
      }
      result.done[i] = true;
    }
  }
  if (result.journalWritten) RemoveJournal(c);
  return result;
}

FinishResult FinishUnfinishedPlan(const RunSettings& s, Reporter& log, const Services& services) {
  const Context c{s, log, services};
  FinishResult result;
  RenamePlan plan;
  std::string foreign;
  switch (ReadJournal(s, plan, &foreign)) {
    case JournalState::kNone:
      return result;
    case JournalState::kTorn: {
      // Torn while it was written, its renames had not begun: it is set aside, not carried out.
      int n = 0;
      std::string why;
      if (!SetJournalAside(c, n, why)) {
        result.ok = false;
        result.why = "Kan " + JournalPath(c.s.databaseFolder) + " niet opzij zetten: " + why;
      } else {
        c.log.LogLine(std::string("Onvolledig hernoemplan niet uitgevoerd (tijdens het schrijven afgebroken); het "
                              "staat opzij als ") + kJournalFileName + "_" + std::to_string(n) + ".");
      }
      return result;
    }
    case JournalState::kForeign:
      result.ok = false;
      result.foreign = true;
      result.why = SetForeignJournalAside(c, foreign);
      return result;
    case JournalState::kComplete:
      break;
  }
  const FileRecord record = FileRecord::Load(s.databaseFolder);
  for (const PlanEntry& planned : plan) {
    const EntryOutcome o = CarryOutEntry(c, planned);
    PlanEntry e = planned;
    // An entry that earned its note writes it without a word: the plan did not say so.
    const bool earned = e.note.kind == RecordNote::Kind::kNone && !o.refused && !o.stopped && EntryDone(s, e);
    if (earned) e.note = EarnedNote(record, s, e);
    result.finished += o.renamed;
    if (o.stopped) {
      result.ok = false;
      result.why = StoppedText(o);
      return result;  // the journal stays
    }
    if (o.refused) {
      result.refused.push_back(Describe(o.name, o.why));
      c.log.LogLine("Onderbroken hernoemplan: " + Describe(o.name, o.why) +
                    "; de bestanden staan weer zoals voor dat deel van het plan.");
    } else if (e.note.kind != RecordNote::Kind::kNone && EntryDone(s, e)) {
      if (!WriteNote(c, e.note, result.why)) {
        result.ok = false;
        return result;  // the journal stays
      }
      result.noted.push_back(e.note);
      if (!earned)
        c.log.LogLine("Onderbroken hernoemplan: " +
                (e.note.kind == RecordNote::Kind::kRestored ? e.note.key + " is teruggezet"
                                                            : std::string("labelprogramma teruggewisseld")) +
                " (conversie naar " + e.note.digits + ").");
    }
  }
  c.log.LogLine("Onderbroken hernoemplan afgemaakt: " + std::to_string(result.finished) +
                (result.finished == 1 ? " bestand hernoemd." : " bestanden hernoemd."));
  if (!RemoveJournal(c)) {
    result.ok = false;
    result.why = "Kan " + JournalPath(c.s.databaseFolder) + " niet verwijderen";
  }
  return result;
}

}  // namespace druvo
