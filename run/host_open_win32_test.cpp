#include <windows.h>

#include <gtest/gtest.h>

#include <chrono>
#include <cstdio>
#include <functional>
#include <string>
#include <thread>
#include <utility>
#include <vector>

#include "model/main_window.h"
#include "model/memory_view.h"
#include "run/host_open.h"
#include "sys/fs.h"
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

double SecondsSince(std::chrono::steady_clock::time_point t0) {
  return std::chrono::duration<double>(std::chrono::steady_clock::now() - t0).count();
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
  const auto t0 = std::chrono::steady_clock::now();
  EXPECT_FALSE(DataFilesFree(w));
  EXPECT_LT(SecondsSince(t0), 5.0) << "the check waits about 2 s, not the file layer's 10 s";
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

// Another program holding a file for a moment (a virus scanner, a backup agent) delays a read,
// a rename, a removal or a write of an own file until it lets go; a refusal that is the file's
// own (a read-only file, a folder) comes at once.
TEST(HeldFile, CallsWaitForAMomentsHoldButNotForAPlainRefusal) {
  TempDir dir;
  const std::vector<std::pair<const char*, std::function<bool(const std::string&)>>> waiting = {
      {"read", [](const std::string& p) { return sys::ReadFileInPieces(p, 64, [](auto) {}); }},
      {"rename", [](const std::string& p) { return sys::RenameNoReplace(p, p + "_1").ok(); }},
      {"remove",
       [](const std::string& p) { return sys::RemoveFileDurably(p) && !sys::IsPresent(p); }},
      {"append", [](const std::string& p) { return sys::AppendFileDurably(p, "x"); }},
  };
  for (const auto& [what, call] : waiting) {
    const std::string path = dir / (std::string(what) + ".13");
    WriteFile(path, "marker");
    HANDLE held = Hold(path);
    ASSERT_NE(held, INVALID_HANDLE_VALUE);
    std::thread letGo([held] {
      Sleep(400);
      CloseHandle(held);
    });
    const auto t0 = std::chrono::steady_clock::now();
    EXPECT_TRUE(call(path)) << what;
    const double waited = SecondsSince(t0);
    letGo.join();
    std::printf("%s of a file held 0.4 s: %.2f s\n", what, waited);
    EXPECT_GT(waited, 0.3) << what;
    EXPECT_LT(waited, 3.0) << what;
  }

  const std::string readOnly = dir / "TRWMIX.DAT", folder = dir / "QMVWORK";
  WriteFile(readOnly, "date");
  ASSERT_TRUE(SetFileAttributesW(sys::Widen(readOnly).c_str(), FILE_ATTRIBUTE_READONLY));
  ASSERT_TRUE(sys::MakeFolder(folder));
  const auto t0 = std::chrono::steady_clock::now();
  EXPECT_FALSE(sys::RemoveFileDurably(readOnly));
  EXPECT_FALSE(sys::ReadFileInPieces(folder, 64, [](auto) {}));
  EXPECT_FALSE(sys::AppendFileDurably(folder, "x"));
  EXPECT_FALSE(sys::RenameNoReplace(dir / "missing.13", dir / "x").ok());
  const double refused = SecondsSince(t0);
  std::printf("four plain refusals: %.3f s\n", refused);
  EXPECT_LT(refused, 1.0);
  SetFileAttributesW(sys::Widen(readOnly).c_str(), FILE_ATTRIBUTE_NORMAL);
  EXPECT_EQ(testing_support::ReadFile(readOnly), "date");
}
