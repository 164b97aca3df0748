#include <gtest/gtest.h>
#include <windows.h>

#include "model/main_window.h"
#include "model/memory_view.h"
#include "sys/fs.h"
#include "test_support.h"
#include "tools/process.h"

using namespace druvo;
using testing_support::ReadFile;

namespace {

volatile LONG ctrlC = 0;

BOOL WINAPI CountCtrlC(DWORD event) {
  if (event == CTRL_C_EVENT) InterlockedIncrement(&ctrlC);
  return TRUE;
}

}  // namespace

// Run only as a child by the test below: says whether it has a console, and if so sends
// Ctrl-C to every process of it and writes whether it got it.
TEST(ShellandWait, ChildSendsItselfCtrlC) {
  DRUVO_CHILD_ONLY();
  DWORD pid = 0;
  if (GetConsoleProcessList(&pid, 1) == 0) {
    sys::WriteWholeFile("ctrl_c.txt", "no console");
    return;
  }
  SetConsoleCtrlHandler(CountCtrlC, TRUE);
  const bool sent = GenerateConsoleCtrlEvent(CTRL_C_EVENT, 0) != 0;
  Sleep(500);  // the console calls handlers on a thread of its own
  sys::WriteWholeFile("ctrl_c.txt", !sent ? "not sent" : ctrlC ? "received" : "ignored");
}

// The utility is out of reach of every console's Ctrl-C, Ctrl-Break and close: it has no
// console at all, so nothing ends it in the middle of its file.
TEST(ShellandWait, ChildIgnoresCtrlC) {
  testing_support::TempDir dir;
  testing_support::CurrentFolderGuard guard;
  ASSERT_TRUE(sys::SetCurrentFolder(dir.path()));
  MemoryView view;
  MainWindow w{view};
  const testing_support::AsChild child("ShellandWait.ChildSendsItselfCtrlC");
  ASSERT_TRUE(ShellandWait(w, w.services, {sys::ExecutablePath(), {child.filter}}, 0));
  EXPECT_EQ(ReadFile(dir / "ctrl_c.txt"), "no console");
}
