#include "datafiles/disk_space.h"

#include <gtest/gtest.h>

#include "model/main_window.h"
#include "model/memory_view.h"
#include "test_support.h"

using namespace druvo;
using testing_support::TempDir;
using testing_support::WriteFile;

namespace {

sys::DiskFreeNumbers Clusters(std::uint64_t freeClusters, std::uint64_t sectors = 8,
                              std::uint64_t bytes = 512) {
  sys::DiskFreeNumbers n;
  n.sectorsPerCluster = sectors;
  n.bytesPerSector = bytes;
  n.freeClusters = freeClusters;
  n.totalClusters = freeClusters * 2;
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
  f.numbers = Clusters(1000000);
  // The database folder itself is measured: a share or a mounted folder has its own space.
  for (const char* folder : {"D:\\Data", "\\\\server\\share\\data", "C:\\Winkel\\Schijf2"}) {
    f.w.sDBPath = folder;
    EXPECT_TRUE(CheckDiskSpace(f.w));
    EXPECT_EQ(f.askedRoot, folder);
  }
  EXPECT_EQ(GetFreeSpaceKb(f.w, "D:"), 4001792);
  EXPECT_EQ(f.askedRoot, "D:\\");
}

TEST(DiskSpace, FreeSpaceIsCoarse) {
  EXPECT_EQ(FreeKbFromNumbers(Clusters(512)), 0);  // 0.5 goes to the even 0
  EXPECT_EQ(FreeKbFromNumbers(Clusters(513, 8, 512)), 4096);
  EXPECT_EQ(FreeKbFromNumbers(Clusters(1536)), 2 * 4096);  // 1.5 -> 2
  EXPECT_EQ(FreeKbFromNumbers(Clusters(2560)), 2 * 4096);  // 2.5 -> 2
  EXPECT_EQ(FreeKbFromNumbers(Clusters(1000000)), 4001792);
  // Beyond 2 TiB and beyond 2^31 clusters: no overflow, no negative figure.
  EXPECT_EQ(FreeKbFromNumbers(Clusters(std::uint64_t{1} << 31)), (std::int64_t{1} << 21) * 4096);
  EXPECT_EQ(FreeKbFromNumbers(Clusters(std::uint64_t{3} << 30, 128, 512)),
            std::int64_t{3} * (1 << 20) * 65536);
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
  // 4 Kb required against exactly 4 Kb free (1024 clusters of 4 bytes): enough.
  f.numbers = Clusters(1024, 1, 4);
  EXPECT_TRUE(CheckDiskSpace(f.w));
  EXPECT_EQ(f.w.LogViewText(),
            "6-12-2026 18:30:05 Beschikbare schijfruimte : 4 Kb. Vereist : 4 Kb.\r\n\r\n");
  EXPECT_EQ(f.view.statusLines.back(), "Controleren beschikbare schijfruimte");
  EXPECT_EQ(f.view.repaints, 32);
  EXPECT_TRUE(f.view.boxes.empty());
  EXPECT_EQ(f.view.caretAtEnd, f.view.log.size());

  f.numbers = Clusters(1024, 1, 3);
  EXPECT_FALSE(CheckDiskSpace(f.w));
}

TEST(DiskSpace, UndeterminedFreeSpaceAsks) {
  Fixture f;
  f.queryOk = false;
  f.numbers = Clusters(1000000);
  f.view.answers = {Answer::kYes};
  EXPECT_TRUE(CheckDiskSpace(f.w));
  ASSERT_EQ(f.view.boxes.size(), 1u);
  EXPECT_EQ(f.view.boxes[0].text, "Voldoende schijfruimte ?");
  EXPECT_EQ(f.view.boxes[0].buttons, Buttons::kYesNo);
  EXPECT_NE(f.w.LogViewText().find("Beschikbare schijfruimte : 0 Kb."), std::string::npos);

  // No ends the program at once, without the log line.
  Fixture g;
  g.numbers = Clusters(100);  // fewer than 513 clusters: 0 Kb
  g.view.answers = {Answer::kNo};
  EXPECT_THROW(CheckDiskSpace(g.w), ProgramEnded);
  EXPECT_TRUE(g.view.quit);
  EXPECT_EQ(g.w.LogViewText(), "");
  EXPECT_EQ(g.w.outcome, RunOutcome::kEndedAtDiskQuestion);
}
