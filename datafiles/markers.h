// Conversion markers (base name + "." + direction digits, left by the utility beside a
// converted data file) and the preparation of a repeat, which moves markers or data files
// aside under numbered names (marker name + "_" + n) without ever overwriting a file.
#pragma once

#include <bitset>
#include <cstdint>
#include <string>
#include <string_view>
#include <vector>

#include "datafiles/record.h"
#include "model/catalogue.h"

namespace druvo {

class Reporter;
struct RunSettings;
struct Services;

struct ConvertedCount {
  std::int16_t dataFiles = 0;
  std::int16_t markers = 0;
  bool anyMarker = false;
};

/// The highest set-aside number.
constexpr int kMaxSetAsideNumber = 9999;

/// Marker name of an entry, upper-cased: "QWIMAPD.13".
std::string MarkerName(const FileCatalogue& catalogue, int index, const std::string& digits);

/// Set-aside name for number n, upper-cased: "QWIMAPD.13_10".
std::string SetAsideName(const FileCatalogue& catalogue, int index, const std::string& digits, int n);

/// The number a set-aside name ends in, the text after its "_": 1 to kMaxSetAsideNumber as
/// SetAsideName writes it, without leading zeros; 0 for any other text.
int SetAsideNumberOf(std::string_view text);

/// Counts present data files and markers of the chosen direction over the catalogue, each
/// looked for in its entry folder below the database folder. Repaints the window once per
/// entry; changes no file and leaves the current folder as it was.
ConvertedCount CountConvertedFiles(const RunSettings& settings, Reporter& events, const std::string& suffix,
                                   const std::string& digits);

/// The names in `folder` that set a marker aside ("QWIMAPD.13_1", ...), as they are on disk,
/// by their number.
std::vector<std::string> SetAsideNamesIn(const std::string& folder, const std::string& marker);

/// A marker the record cannot vouch for (`verdict` unknown(): no line of it, or a damaged one)
/// is taken as found: its fingerprint (verdict.marker) is recorded as the state of data file
/// `key` before the conversion, beginning the file's history anew where `beginsAnew` (no other
/// earlier state of it lies in its folder), and the log view says so, where one is given.
/// False, `why` saying why, when the record cannot be written.
bool TakeMarkerAsFound(const std::string& databaseFolder, Reporter* log, const std::string& digits,
                       const std::string& key, const std::string& marker, const std::string& data,
                       const MarkerVerdict& verdict, bool beginsAnew, std::string* why);

/// The lowest n (1..9999) whose set-aside name of the reference entry is free in the
/// database folder; 0 when all are taken.
int ChooseSetAsideNumber(const RunSettings& settings, const std::string& digits);

/// How a repeat preparation ended.
struct Preparation {
  /// A rename was refused and its entry could not be put back as it was: the journal stays
  /// for the next Start to finish, and this Start must touch nothing more. `why` names the
  /// file and the reason.
  bool stopped = false;
  std::string why;
  /// Entries whose renames the system refused: each is back as it was and named in an ERROR
  /// line ("... is niet omgezet"), and the loop leaves it alone.
  std::bitset<kCatalogueSize> reported;
};

/// Sets the markers of the chosen direction aside; the data files stay as they are.
/// Renames go through the services and never overwrite. An entry whose rename the system
/// refuses is left as it was, named in an ERROR line ("... is niet omgezet") and in the
/// result's `reported`. Returns with the database folder current; when no set-aside number is
/// free, nothing is renamed, one line in the log view says so and the current folder is left
/// as it was.
Preparation PreparePartialRepeat(const RunSettings& settings, Reporter& log, const Services& services,
                                 const std::string& suffix, const std::string& digits);

/// Sets the data files aside and puts each marker in its data file's place; otherwise as
/// PreparePartialRepeat. Only a marker there to take its place lets a data file go, and only
/// a marker a line of the record vouches for goes back; an entry whose marker is not
/// vouched for is left as it is, with an ERROR line that says why, and in `reported`.
///
/// Both preparations plan first and write the plan to the journal before the first rename,
/// so that a crash half-way is finished by the next Start (datafiles/journal.h); each
/// entry's renames are made whole or not at all.
Preparation PrepareFullRepeat(const RunSettings& settings, Reporter& log, const Services& services,
                              const std::string& suffix, const std::string& digits);

}  // namespace druvo
