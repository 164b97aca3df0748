// QMV.EXE, LMPR.EXE and LMPR13.EXE of the host simulation. DRUVO only tests them for
// presence and renames the label tool, so each just names itself; the names differ, so a
// test can tell the files apart after a rename.
//
// `QMV.EXE --hold <file> <ms> <ready>` plays the host application with a data file open, or a
// virus scanner with a marker open: it opens <file> with no sharing, writes <ready> once the
// file is held, and lets go after <ms> milliseconds or as soon as <ready> is removed. On
// Windows no other program can open the file meanwhile.
#include <chrono>
#include <cstdio>
#include <cstdlib>
#include <thread>

#include "hostsim/entry.h"
#include "sys/file_lock.h"
#include "sys/fs.h"

namespace {

int Hold(const std::string& file, int ms, const std::string& ready) {
  // The exclusive lock's open is the hold; it would make a missing file, which a host
  // never holds.
  if (!sys::IsPresent(file)) {
    std::fprintf(stderr, "%s: no such file\n", file.c_str());
    return 2;
  }
  sys::LockStatus status;
  std::string why;
  const auto held = sys::FileLock::Take(file, status, why);
  if (!held || !sys::WriteWholeFile(ready, "held\n")) {
    std::fprintf(stderr, "cannot hold %s: %s\n", file.c_str(), why.c_str());
    return 2;
  }
  const auto end = std::chrono::steady_clock::now() + std::chrono::milliseconds(ms);
  while (std::chrono::steady_clock::now() < end && sys::IsPresent(ready))
    std::this_thread::sleep_for(std::chrono::milliseconds(20));
  return 0;
}

}  // namespace

int HostMain(const std::vector<std::string>& args) {
  if (args.size() == 4 && args[0] == "--hold")
    return Hold(args[1], std::atoi(args[2].c_str()), args[3]);
  std::printf("%s (DRUVO host simulation)\n", HOSTSTUB_NAME);
  return 0;
}
