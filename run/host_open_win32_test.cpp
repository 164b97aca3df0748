#include <windows.h>

#include <gtest/gtest.h>

#include <thread>

#include "model/main_window.h"
#include "model/memory_view.h"
#include "run/host_open.h"
#include "sys/wide_win32.h"
#include "test_support.h"

using namespace druvo;
using testing_support::TempDir;
using testing_support::WriteFile;

namespace {

// Opens a file as the host does when it keeps it: no sharing at all.
HANDLE Hold(const std::string& path) {
  return CreateFileW(sys::Widen(path).c_str(), GENERIC_READ | GENERIC_WRITE, 0, nullptr,
                     OPEN_EXISTING, FILE_ATTRIBUTE_NORMAL, nullptr);
}

}  // namespace

// A data file held open refuses the Start after the wait, naming the file by its place below
// the database folder; one that is let go during the wait does not.
TEST(DataFilesFree, HeldFileRefusesTheStartAndAFileLetGoDoesNot) {
  TempDir dir;
  WriteFile(dir / "QWIMAPD.DAT", "1");
  WriteFile(dir / "QMVWORK/QWOMISWT.dat", "2");
  MemoryView view;
  MainWindow w(view);
  w.Load();
  w.sDBPath = dir.path();
  w.dataFileSuffix = ".DAT";
  view.SetEnabled(Control::btnStart, false);
  view.SetEnabled(Control::btnCancel, false);

  HANDLE held = Hold(dir / "QMVWORK/QWOMISWT.dat");
  ASSERT_NE(held, INVALID_HANDLE_VALUE);
  EXPECT_FALSE(DataFilesFree(w));
  CloseHandle(held);
  ASSERT_EQ(view.boxes.size(), 1u);
  EXPECT_EQ(view.boxes[0].text,
            "QMVWORK\\QWOMISWT.DAT is in gebruik door een ander programma. Sluit QMV af en druk "
            "opnieuw op Start.");
  EXPECT_EQ(view.boxes[0].buttons, Buttons::kOk);
  EXPECT_TRUE(view.IsEnabled(Control::btnStart));
  EXPECT_TRUE(view.IsEnabled(Control::btnCancel));
  EXPECT_EQ(view.focus, Control::btnStart);
  EXPECT_EQ(w.outcome, RunOutcome::kRefused);

  // The host closing while the check waits.
  w.outcome = RunOutcome::kNone;
  held = Hold(dir / "QWIMAPD.DAT");
  ASSERT_NE(held, INVALID_HANDLE_VALUE);
  std::thread closing([held] {
    Sleep(300);
    CloseHandle(held);
  });
  EXPECT_TRUE(DataFilesFree(w));
  closing.join();
  EXPECT_EQ(view.boxes.size(), 1u);
  EXPECT_EQ(w.outcome, RunOutcome::kNone);
}
