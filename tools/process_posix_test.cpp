#include <gtest/gtest.h>
#include <signal.h>
#include <sys/stat.h>

#include <cstring>
#include <sstream>

#include "model/main_window.h"
#include "model/memory_view.h"
#include "sys/fs.h"
#include "test_support.h"
#include "tools/process.h"

using namespace druvo;
using testing_support::ReadFile;
using testing_support::TempDir;

// The utility runs outside the terminal's foreground process group, which the terminal's
// Ctrl-C and hang-up reach, and there its writes to the terminal must not stop it.
TEST(ShellandWait, ChildLeadsAProcessGroupOfItsOwnAndIgnoresTheTerminalsStops) {
  TempDir dir;
  testing_support::CurrentFolderGuard guard;
  ASSERT_TRUE(sys::SetCurrentFolder(dir.path()));
  testing_support::WriteFile(dir / "report.sh",
                             "#!/bin/sh\n"
                             "sed -n 's/^SigIgn:[[:space:]]*//p' /proc/$$/status >seen\n"
                             "sed -n 's/^SigBlk:[[:space:]]*//p' /proc/$$/status >>seen\n"
                             "read pid comm state ppid pgrp rest </proc/$$/stat\n"
                             "echo $pid $pgrp >>seen\n");
  ASSERT_EQ(chmod((dir / "report.sh").c_str(), 0755), 0);
  MemoryView view;
  MainWindow w{view};
  ASSERT_TRUE(ShellandWait(w, w.services, {dir / "report.sh", {}}, 0));

  std::istringstream seen(ReadFile(dir / "seen"));
  std::string mask, blocked;
  long pid = 0, group = -1;
  seen >> mask >> blocked >> pid >> group;
  EXPECT_EQ(group, pid) << "still in this program's process group " << getpgrp();
  const unsigned long long ignored = std::stoull(mask, nullptr, 16);
  for (int sig : {SIGTTOU, SIGTTIN, SIGPIPE})
    EXPECT_TRUE((ignored >> (sig - 1)) & 1) << strsignal(sig) << " is not ignored";
  // Signals are held back while the child prepares; the utility gets none held back.
  EXPECT_EQ(std::stoull(blocked, nullptr, 16), 0u) << "blocked signals " << blocked;
}
