#include "datafiles/disk_space.h"
#include "run/disk_check.h"

#include <gtest/gtest.h>

#include "hostsim/rcx.h"
#include "model/main_window.h"
#include "model/memory_view.h"
#include "test_support.h"

using namespace druvo;
using testing_support::TempDir;
using testing_support::WriteFile;

namespace {

sys::DiskFreeNumbers Available(std::uint64_t bytes) {
  sys::DiskFreeNumbers n;
  n.availableBytes = bytes;
  n.totalBytes = bytes * 2;
  return n;
}

// A window whose disk query answers with fixed numbers and records the root it was asked.
struct Fixture {
  TempDir dir;
  MemoryView view;
  MainWindow w{view};
  sys::DiskFreeNumbers numbers;
  bool queryOk = true;
  std::string askedRoot;

  Fixture() {
    LoadFileCatalogue(w.catalogue);
    w.sDBPath = dir.path();
    w.dataFileSuffix = ".DAT";
    w.services.now = [] { return sys::LocalDateTime{2026, 12, 6, 18, 30, 5, 0}; };
    w.services.queryDiskFree = [this](const std::string& root, sys::DiskFreeNumbers& out) {
      askedRoot = root;
      if (queryOk) out = numbers;
      return queryOk;
    };
  }
};

}  // namespace

TEST(DiskSpace, RootPathsAndDriveChoice) {
  EXPECT_EQ(DriveRoot("D"), "D:\\");
  EXPECT_EQ(DriveRoot("D:"), "D:\\");
  EXPECT_EQ(DriveRoot("D:\\"), "D:\\");
  EXPECT_EQ(DriveRoot("\\\\server"), "\\\\server");

  Fixture f;
  f.numbers = Available(4096000000);
  // The database folder itself is measured: a share or a mounted folder has its own space.
  for (const char* folder : {"D:\\Data", "\\\\server\\share\\data", "C:\\Winkel\\Schijf2"}) {
    f.w.sDBPath = folder;
    EXPECT_TRUE(CheckDiskSpace(f.w));
    EXPECT_EQ(f.askedRoot, folder);
  }
  EXPECT_EQ(GetFreeSpaceKb(f.w.services, "D:"), 4000000);
  EXPECT_EQ(f.askedRoot, "D:\\");
}

// The bytes this user may write, in Kb rounded down, in 64 bits.
TEST(DiskSpace, FreeSpaceIsExact) {
  EXPECT_EQ(FreeKbFromNumbers(Available(0)), 0);
  EXPECT_EQ(FreeKbFromNumbers(Available(1023)), 0);
  EXPECT_EQ(FreeKbFromNumbers(Available(196608)), 192);  // a small volume, nearly full
  EXPECT_EQ(FreeKbFromNumbers(Available(4096000000)), 4000000);
  EXPECT_EQ(FreeKbFromNumbers(Available(std::uint64_t{5} << 41)), std::int64_t{5} << 31);  // 10 TiB

  // The room one utility call needs: the marker, a third more, 1 MiB for the log and 1 MiB
  // left free.
  EXPECT_EQ(BytesNeededForCall(0), 2097152u);
  EXPECT_EQ(BytesNeededForCall(8000000), 8000000u + 2666667u + 2097152u);
  EXPECT_EQ(BytesNeededForCall(std::int64_t{3} << 30), (std::uint64_t{4} << 30) + 2097152u);
  // Files of bare 10-digit numbers, which grow most (a third, at a last line without a line
  // end): the marker (the file's size) and the growth fit in what a call may write.
  std::string bare;
  for (int i = 0; i < 1000; ++i) bare += "0306406152\n";
  for (const auto& [file, numbers] : {std::pair{bare, 1000}, std::pair{std::string("0306406152"), 1}}) {
    const std::string converted = hostsim::ConvertDataFile(file, hostsim::Direction::kToEan13).bytes;
    ASSERT_EQ(converted.size(), file.size() + 3u * numbers);
    EXPECT_LE(file.size() + 3u * numbers + (1u << 20), BytesWrittenByCall(static_cast<std::int64_t>(file.size())));
  }
}

TEST(DiskSpace, RequiredSpaceRoundsHalvesToEven) {
  EXPECT_EQ(AddFileKb(0, 0), 1);
  EXPECT_EQ(AddFileKb(0, 1), 1);
  EXPECT_EQ(AddFileKb(0, 1024), 2);
  EXPECT_EQ(AddFileKb(0, 2000), 3);
  EXPECT_EQ(AddFileKb(0, 1537), 2);  // 2.5 -> 2
  EXPECT_EQ(AddFileKb(1, 1537), 4);  // 3.5 -> 4
  EXPECT_EQ(AddFileKb(0, std::int64_t{3} << 30), (std::int64_t{3} << 20) + 1);
}

TEST(DiskSpace, ComparesPresentDataFilesWithFreeSpaceAndLogsBoth) {
  Fixture f;
  WriteFile(f.dir / "QWIMAPD.DAT", std::string(1537, 'x'));       // 2 Kb
  WriteFile(f.dir / "QMVWORK/qwomiswt.dat", std::string(1537, 'x'));  // 2 + 2.5 -> 4
  WriteFile(f.dir / "QWAOMVSQ.D01", std::string(5000, 'x'));      // other suffix: not counted
  // 4 Kb required against exactly 4 Kb free: enough.
  f.numbers = Available(4096);
  EXPECT_TRUE(CheckDiskSpace(f.w));
  EXPECT_EQ(f.w.LogViewText(),
            "6-12-2026 18:30:05 Beschikbare schijfruimte : 4 Kb. Vereist : 4 Kb.\r\n\r\n");
  EXPECT_EQ(f.view.statusLines.back(), "Controleren beschikbare schijfruimte");
  EXPECT_EQ(f.view.repaints, 32);
  EXPECT_TRUE(f.view.boxes.empty());
  EXPECT_EQ(f.view.caretAtEnd, f.view.log.size());

  f.numbers = Available(4095);
  EXPECT_FALSE(CheckDiskSpace(f.w));
  // A full volume is too full even for nothing; it is measured, so nobody is asked.
  Fixture g;
  g.numbers = Available(1023);
  EXPECT_FALSE(CheckDiskSpace(g.w));
  EXPECT_TRUE(g.view.boxes.empty());
  EXPECT_NE(g.w.LogViewText().find("Beschikbare schijfruimte : 0 Kb. Vereist : 0 Kb."), std::string::npos);
}

// Only a query that fails asks.
TEST(DiskSpace, UndeterminedFreeSpaceAsks) {
  Fixture f;
  f.queryOk = false;
  f.numbers = Available(4096000000);
  f.view.answers = {Answer::kYes};
  EXPECT_TRUE(CheckDiskSpace(f.w));
  ASSERT_EQ(f.view.boxes.size(), 1u);
  EXPECT_EQ(f.view.boxes[0].text, "Voldoende schijfruimte ?");
  EXPECT_EQ(f.view.boxes[0].buttons, Buttons::kYesNo);
  EXPECT_NE(f.w.LogViewText().find("Beschikbare schijfruimte : 0 Kb."), std::string::npos);

  // No ends the program at once, without the log line.
  Fixture g;
  g.queryOk = false;
  g.view.answers = {Answer::kNo};
  EXPECT_THROW(CheckDiskSpace(g.w), ProgramEnded);
  EXPECT_TRUE(g.view.quit);
  EXPECT_EQ(g.w.LogViewText(), "");
  EXPECT_EQ(g.w.outcome, RunOutcome::kEndedAtDiskQuestion);
}
