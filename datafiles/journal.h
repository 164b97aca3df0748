// Rename plans that survive a crash. A repeat preparation (or a restore) writes its whole
// plan to DRUVO.JNL in the database folder and flushes it before the first rename; the
// journal goes once the plan is done. A Start that finds one finishes it first, so a crash
// between two renames of one entry never leaves a data file missing.
#pragma once

#include <string>
#include <string_view>
#include <vector>

namespace druvo {

class MainWindow;

constexpr char kJournalFileName[] = "DRUVO.JNL";

/// One rename of a plan. A relative path is below the database folder ("QMVWORK\X.DAT"),
/// as the host's folders are; a full path stands as it is (the program folder's label tool).
struct PlannedRename {
  std::string from;
  std::string to;
  bool operator==(const PlannedRename&) const = default;
};
using RenamePlan = std::vector<PlannedRename>;

/// The journal's text, and back. Parsing fails (false) for a journal that was torn while it
/// was written: it ends with a line naming how many renames it holds.
std::string EncodeJournal(const RenamePlan& plan);
bool ParseJournal(std::string_view text, RenamePlan& plan);

enum class JournalState { kNone, kComplete, kTorn };

/// Reads the journal of a database folder.
JournalState ReadJournal(const std::string& databaseFolder, RenamePlan& plan);

/// Full path of a planned name.
std::string PlannedPath(const std::string& databaseFolder, const std::string& name);

/// A rename is due when its source is present and its target is not.
bool RenameDue(const std::string& databaseFolder, const PlannedRename& r);

/// Writes the plan, carries it out and removes the journal. Every due rename is made through
/// w.services.rename (never overwriting); one the system refuses is told in the log view and
/// the next follows. False, with nothing renamed, when the journal cannot be written.
bool CarryOutPlan(MainWindow& w, const RenamePlan& plan);

struct FinishResult {
  bool ok = true;     // false: a rename could not be made; the journal stays
  int finished = 0;   // renames made
  std::string why;    // for !ok: which rename and what the system said
};

/// What a Start does first: finishes an unfinished plan with the journal's names and removes
/// the journal (a torn one is only removed: no rename of it had begun). Stops at the first
/// rename the system refuses. The log view says how many renames were finished.
FinishResult FinishUnfinishedPlan(MainWindow& w);

}  // namespace druvo
