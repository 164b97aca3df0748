// What a Start fixed for its run: the folders, the data-file suffix, the direction, the
// customer number and the catalogue. The parts below the Start read it and never change it.
#pragma once

#include <string>

#include "model/catalogue.h"

namespace druvo {

struct RunSettings {
  std::string programFolder;   // sExePath
  std::string databaseFolder;  // sDBPath
  std::string suffix;          // the data-file suffix: ".D" + the administration number
  std::string digits;          // the direction: "13" or "10"
  std::string customer;        // the customer number, as typed
  FileCatalogue catalogue;
  /// The last index a walk over the catalogue visits: the window's last index, never past the
  /// catalogue's end.
  int lastEntry = kCatalogueSize - 1;
};

}  // namespace druvo
