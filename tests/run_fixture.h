// A demo installation with a window on it, for tests of whole Start commands.
#pragma once

#include <string>

#include "model/main_window.h"
#include "model/memory_view.h"
#include "run/start_command.h"
#include "test_support.h"

namespace testing_support {

struct RunFixture {
  TempDir dir;
  CurrentFolderGuard guard;
  std::string root;
  std::string prog;
  std::string db;
  druvo::MemoryView view;
  druvo::MainWindow w{view};

  /// Writes the demo installation into a subfolder (`name` may hold blanks) and fills
  /// the window's boxes with it; mail goes to a closed loopback port unless told otherwise.
  explicit RunFixture(const std::string& name = "demo");

  /// The path of a data file of the database folder (relative, "/" allowed).
  std::string Db(const std::string& relative) const;
  std::string Prog(const std::string& relative) const;

  /// Clicks Start with every question answered by the scripted answers (default: OK/Yes).
  void Start() { ClickStart(w); }
};

/// A second window on the same installation, as after a restart of the program.
struct NextStart {
  druvo::MemoryView view;
  druvo::MainWindow w{view};
  explicit NextStart(const RunFixture& f);
};

/// Number of records in a data file whose first field is a 13-digit number starting 978.
int CountEan13(const std::string& dataFileBytes);
/// Number of records whose first field is a valid ISBN-10.
int CountValidIsbn10(const std::string& dataFileBytes);

}  // namespace testing_support
