// Conversion markers (base name + "." + direction digits, left by the utility beside a
// converted data file) and the preparation of a repeat, which moves markers or data files
// aside under numbered names (marker name + "_" + n) without ever overwriting a file.
#pragma once

#include <cstdint>
#include <string>

namespace druvo {

class MainWindow;

struct ConvertedCount {
  std::int16_t dataFiles = 0;
  std::int16_t markers = 0;
  bool anyMarker = false;
};

/// Marker name of an entry, upper-cased: "QWIMAPD.13".
std::string MarkerName(const MainWindow& w, int index, const std::string& digits);

/// Set-aside name for number n, upper-cased: "QWIMAPD.13_10".
std::string SetAsideName(const MainWindow& w, int index, const std::string& digits, int n);

/// Counts present data files and markers of the chosen direction over the catalogue.
ConvertedCount CountConvertedFiles(MainWindow& w, const std::string& suffix, const std::string& digits);

/// The lowest n (1..9999) whose set-aside name of the reference entry is free in the
/// database folder; 0 when all are taken.
int ChooseSetAsideNumber(MainWindow& w, const std::string& digits);

/// Sets the markers of the chosen direction aside; the data files stay as they are.
void PreparePartialRepeat(MainWindow& w, const std::string& suffix, const std::string& digits);

/// Sets the data files aside and puts each marker in its data file's place.
void PrepareFullRepeat(MainWindow& w, const std::string& suffix, const std::string& digits);

}  // namespace druvo
