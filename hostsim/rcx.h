// The stand-in for the host's conversion utility RCX.EXE: what it does with a data file
// and with its command lines. The program itself is rcx_main.cpp.
#pragma once

#include <string>
#include <string_view>
#include <vector>

#include "hostsim/isbn.h"

namespace hostsim {

/// A data file after conversion. Records are lines (CR LF or LF, kept as they were) whose
/// fields are separated by ";"; the first field is the book number. Empty lines are no
/// records and stay as they are.
struct FileConversion {
  std::string bytes;  // the file's new content
  int converted = 0;
  int unchanged = 0;
  int errors = 0;
  /// One line per refused record: "ERROR line <n>: <number as found>: <reason>".
  std::vector<std::string> errorLines;
};

/// Converts every record whose book number is valid; every other record keeps its bytes.
FileConversion ConvertDataFile(std::string_view bytes, Direction direction);

/// Runs one command line of the utility in the current folder and returns its exit code:
///   I <file>            probe: writes "rcx.log" (an "ERROR: <code> ..." line when
///                       RCX_PROBE_ERROR is set)
///   N <file> <13|10>    converts <file> (name matched in any letter case), leaves
///                       <base>.Log and the marker <BASE>.<digits> with the old bytes;
///                       refuses when the marker exists already
/// RCX_DELAY_MS delays every call; RCX_EXIT_CODE replaces the exit code (0 done, 2 refused).
int RunConversionUtility(const std::vector<std::string>& args);

}  // namespace hostsim
