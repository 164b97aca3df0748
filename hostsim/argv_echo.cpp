// Test helper: shows what a started program received. Writes "argv_echo.txt" into its
// working folder: the working folder on the first line, then each argument on a line of
// its own (LF). An "argv_echo.ctl" beside it may hold the lines "sleep <ms>" (wait before
// ending, then write "argv_echo.done") and "exit <code>". The last file appears only once it
// is written and closed, so a test that sees it may remove it at once.
#include <chrono>
#include <cstdlib>
#include <sstream>
#include <thread>

#include "hostsim/entry.h"
#include "sys/fs.h"

int HostMain(const std::vector<std::string>& args) {
  std::string out = sys::CurrentFolder() + "\n";
  for (const auto& a : args) out += a + "\n";
  if (!sys::WriteWholeFile("argv_echo.txt", out)) return 100;

  long sleepMs = 0;
  int exitCode = 0;
  std::string control;
  if (sys::ReadWholeFile("argv_echo.ctl", control)) {
    std::istringstream in(control);
    std::string key;
    long value;
    while (in >> key >> value) {
      if (key == "sleep") sleepMs = value;
      if (key == "exit") exitCode = static_cast<int>(value);
    }
  }
  if (sleepMs > 0) {
    std::this_thread::sleep_for(std::chrono::milliseconds(sleepMs));
    // Written under another name first: a file still open here cannot be removed on Windows.
    if (sys::WriteWholeFile("argv_echo.done.tmp", "done\n"))
      sys::RenameNoReplace("argv_echo.done.tmp", "argv_echo.done");
  }
  return exitCode;
}
