// Rename plans that survive a crash. A repeat preparation, a restore or the label-tool swap
// writes its whole plan to DRUVO.JNL in the database folder and flushes it before the first
// rename; the journal goes once the plan is done. A Start that finds one finishes it first,
// so a crash between two renames of one entry never leaves a data file missing.
//
// A plan is made of entries (one catalogue entry, or the label tool), each a few renames that
// are made whole or not at all: when the system refuses one, the entry's renames already made
// are undone at once, so the files are back under their own names.
#pragma once

#include <string>
#include <string_view>
#include <utility>
#include <vector>

namespace druvo {

class Reporter;
struct FileCatalogue;
struct RunSettings;
struct Services;

constexpr char kJournalFileName[] = "DRUVO.JNL";

/// The folder a planned name lies in.
enum class PlanFolder {
  kDatabase,  // below the database folder: "QWIMAPD.DAT", "QMVWORK\QWOMISWT.13_1"
  kProgram,   // in the program folder: the label tool's "LMPR.EXE", "LMPR10.EXE", "LMPR13.EXE"
};

struct PlannedRename {
  PlanFolder folder = PlanFolder::kDatabase;
  std::string from;  // relative to its folder
  std::string to;
  bool operator==(const PlannedRename&) const = default;
};

/// What an entry means to the record once every rename of it is made: a restore of data file
/// `key` ("QMVWORK\QWOMISWT.DAT", the target of the entry's last rename) to its state before
/// the conversion in direction `digits`, or the label tool swapped back after a run in that
/// direction. Written before the journal goes, and again by whoever finishes the plan after a
/// crash (twice is the same as once); never for an entry refused and undone.
struct RecordNote {
  enum class Kind { kNone, kRestored, kLabelToolBack };
  Kind kind = Kind::kNone;
  std::string digits;
  std::string key;  // kRestored
  bool operator==(const RecordNote&) const = default;
};

/// The renames of one entry, in order.
struct PlanEntry {
  PlanEntry() = default;
  PlanEntry(std::vector<PlannedRename> r, RecordNote n = {}) : renames(std::move(r)), note(std::move(n)) {}
  std::vector<PlannedRename> renames;
  RecordNote note;
  bool operator==(const PlanEntry&) const = default;
};
using RenamePlan = std::vector<PlanEntry>;

/// Whether a plan may name this file: a data file (any administration's suffix), a marker or
/// a set-aside name of a catalogue entry, in that entry's own folder below the database
/// folder ("QMVWORK\" for the work folder's entries); or one of the label tool's three names
/// in the program folder. Nothing else: no other folder, no "..", no drive or root, no stream,
/// never DRUVO's own files, never the host's other files.
bool NameInInstallation(const FileCatalogue& catalogue, PlanFolder folder, std::string_view name);

/// The journal's text, and back. Parsing fails (false) for a journal that was torn while it
/// was written: it ends with a line naming how many renames it holds. Journals written by the
/// versions before (without notes; one rename per line and the label tool by full path) are
/// read too.
std::string EncodeJournal(const RenamePlan& plan);
bool ParseJournal(std::string_view text, RenamePlan& plan, const std::string& programFolder = {});

enum class JournalState {
  kNone,
  kComplete,
  kTorn,     // torn while it was written: none of its renames had begun
  kForeign,  // whole, but naming a file outside the installation: never carried out
};

/// Reads the journal of the database folder, its names held against the catalogue; the
/// program folder places a label-tool name of the first version. `foreign` gets the first
/// line that names a file outside the installation.
JournalState ReadJournal(const RunSettings& settings, RenamePlan& plan, std::string* foreign = nullptr);

/// Full paths of a planned rename's two names.
std::string PlannedFrom(const RunSettings& settings, const PlannedRename& r);
std::string PlannedTo(const RunSettings& settings, const PlannedRename& r);

/// A rename is due when its source is present and its target is not.
bool RenameDue(const RunSettings& settings, const PlannedRename& r);

/// An entry whose renames could not all be made. Its renames already made were undone.
struct EntryRefusal {
  std::size_t entry = 0;  // index in the plan
  std::string name;       // the planned name the system would not rename ("QMVWORK\X.13")
  std::string why;        // what the system said, in Dutch
};

struct PlanResult {
  bool journalWritten = true;  // false: nothing was renamed, the log view says why
  std::vector<EntryRefusal> refused;
  std::vector<bool> done;  // per entry: every rename of it is made, and its note written
  /// The undo of a refused entry was refused too: the journal stays, so that the next
  /// Start finishes the plan, and nothing more may be touched now. `why` names the file.
  bool stopped = false;
  std::string why;
};

/// Writes the plan, carries it out entry by entry, writes the note of each entry whose renames
/// are all made, and removes the journal. A note that cannot be written stops the plan, as a
/// refused undo does. A plan naming a file NameInInstallation does not allow is not carried
/// out at all. Every due rename is made through the services (never overwriting); a rename
/// whose source is gone or whose target is taken is skipped, as the plan's own guards would
/// have skipped it. The log view says what was not done.
/// `evenWithoutJournal`: a journal that cannot be written (a volume run full) does not keep
/// the renames from being made; journalWritten then says false, and a refused undo leaves
/// no plan behind (`why` says so).
PlanResult CarryOutPlan(const RunSettings& settings, Reporter& log, const Services& services, const RenamePlan& plan,
                        bool evenWithoutJournal = false);

struct FinishResult {
  bool ok = true;    // false: the plan could not be finished; nothing more may be touched
  bool foreign = false;  // the journal named a file outside the installation; `why` says so
  int finished = 0;  // renames made
  std::string why;   // for !ok: which file, what the system said, and what to do
  std::vector<std::string> refused;  // entries left as they were: which name, and why
  std::vector<RecordNote> noted;     // the notes of the entries it finished (or found finished)
};

/// What a Start does first: finishes an unfinished plan with the journal's names, writes the
/// notes of the entries whose renames are all made (also those made before the crash) and
/// removes the journal (a torn one is only removed: no rename of it had begun). An entry the
/// system refuses is put back as it was and left; only a refused undo, or a note that cannot
/// be written, stops, and keeps the journal.
/// A journal naming files outside the installation is never carried out: it is renamed to
/// DRUVO.JNL_<n> and the result says so, for the Start to refuse. The log view says what was
/// finished.
FinishResult FinishUnfinishedPlan(const RunSettings& settings, Reporter& log, const Services& services);

}  // namespace druvo
