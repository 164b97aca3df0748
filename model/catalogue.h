// The file catalogue: the 32 data files of the host database that a run treats, in the
// order in which every operation walks them, and where each one lives.
#pragma once

#include <array>
#include <cstdint>
#include <string>

namespace druvo {

constexpr int kCatalogueSize = 32;

struct FileCatalogue {
  std::array<std::string, kCatalogueSize> baseNames;
  std::array<std::string, kCatalogueSize> descriptions;
};

/// Fills both arrays with the 32 entries, index by index.
void LoadFileCatalogue(FileCatalogue& catalogue);

/// Entries 20 to 30 live in the work subfolder "\QMVWORK" with ".dat"; all others in the
/// database folder with the data-file suffix.
inline bool InWorkFolder(int index) { return index >= 20 && index <= 30; }

/// The file name of an entry's data file, as built (not upper-cased).
std::string DataFileName(const FileCatalogue& catalogue, int index, const std::string& suffix);

/// The folder of an entry's data file: the database folder, or its "\QMVWORK".
std::string EntryFolder(const std::string& databaseFolder, int index);

/// The full path of an entry's data file: folder + "\" + file name.
std::string DataFilePath(const FileCatalogue& catalogue, int index, const std::string& databaseFolder,
                         const std::string& suffix);

/// ".D" followed by the administration number exactly as typed.
inline std::string SuffixFromAdministration(const std::string& typed) { return ".D" + typed; }

/// The entry named in the utility probe ("Artikel") and the reference entry whose
/// set-aside name decides the set-aside number.
constexpr int kProbeEntry = 1;
constexpr int kReferenceEntry = 2;

}  // namespace druvo
