// QMV.EXE, LMPR.EXE and LMPR13.EXE of the host simulation. DRUVO only tests them for
// presence and renames the label tool, so each just names itself; the names differ, so a
// test can tell the files apart after a rename.
#include <cstdio>

#include "hostsim/entry.h"

int HostMain(const std::vector<std::string>&) {
  std::printf("%s (DRUVO host simulation)\n", HOSTSTUB_NAME);
  return 0;
}
