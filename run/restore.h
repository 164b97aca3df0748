// `druvo restore`: puts the database back as it was before the last conversion in the
// chosen direction, from the markers the utility left.
#pragma once

#include <string>

namespace druvo {

class MainWindow;

constexpr char kRestoreQuestion[] =
    "Alle omgezette bestanden terugzetten naar de toestand van voor de conversie ?";
constexpr char kRestoreLogName[] = "DRUVO-restore.Log";

enum class RestoreResult {
  kRestored,  // every entry with a marker was put back (and the label tool, when swapped)
  kPartly,    // some entry could not be put back; its line says why
  kRefused,   // a start check refused, the date was not confirmed, or a plan could not be finished
  kNothing,   // no marker of the direction (nothing to put back), or No to the question
  kLocked,    // another run holds the installation's lock
};

/// The start checks as a Start makes them, the run's lock, an interrupted plan finished (the
/// entries an interrupted restore put back count as restored), then one question
/// (kRestoreQuestion, Yes/No). On Yes, every entry whose marker is
/// present and may stand for the data file's earlier state (it matches its record, or has
/// none) gets its converted data file set aside under the next free numbered name and its
/// marker in the data file's place; a label tool the run had swapped is swapped back. All
/// of it is one rename plan through the journal, never overwriting. The log view tells per
/// entry what was done or why not; from the lock on, it is added to kRestoreLogName in the
/// program folder (never replaced). Nothing is mailed.
RestoreResult RestoreConversion(MainWindow& w);

}  // namespace druvo
