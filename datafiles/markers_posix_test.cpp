// The repeat preparation with every set-aside number taken. POSIX only: under Wine each
// new name in a folder of 10,000 files costs a scan of the folder (about 50 s in all).
#include <gtest/gtest.h>

#include <filesystem>
#include <map>

#include "datafiles/markers.h"
#include "model/main_window.h"
#include "model/memory_view.h"
#include "sys/fs.h"
#include "test_support.h"

namespace druvo {
namespace {

namespace fs = std::filesystem;

std::map<std::string, std::string> Snapshot(const std::string& root) {
  std::map<std::string, std::string> files;
  for (const auto& e : fs::recursive_directory_iterator(root))
    if (e.is_regular_file()) files[fs::relative(e.path(), root).generic_string()] = testing_support::ReadFile(e.path().string());
  return files;
}

TEST(RepeatPreparation, NoFreeNumberChangesNothing) {
  testing_support::TempDir dir;
  const std::string saved = sys::CurrentFolder();
  MemoryView view;
  MainWindow w(view);
  w.sDBPath = dir.path();
  LoadFileCatalogue(w.catalogue);
  testing_support::WriteFile(dir / "QWIMAPD.DAT", "converted");
  testing_support::WriteFile(dir / "QWIMAPD.13", "before");
  testing_support::WriteFile(dir / "QMVWORK/QWOMISWT.DAT", "converted work");
  testing_support::WriteFile(dir / "QMVWORK/QWOMISWT.13", "before work");
  // Links to one file: 9999 new files cost seconds on ext4.
  testing_support::WriteFile(dir / "QWMHMXHM.13_1", "set aside");
  for (int n = 2; n <= kMaxSetAsideNumber; ++n)
    fs::create_hard_link(dir / "QWMHMXHM.13_1", dir / ("QWMHMXHM.13_" + std::to_string(n)));
  const auto before = Snapshot(dir.path());
  ASSERT_EQ(before.size(), 9999u + 4u);

  sys::SetCurrentFolder(dir / "QMVWORK");
  EXPECT_EQ(ChooseSetAsideNumber(w.Settings(), "13"), 0);
  EXPECT_EQ(ChooseSetAsideNumber(w.Settings(), "10"), 1);
  const std::string line =
      "Geen vrij volgnummer om bestanden opzij te zetten: QWMHMXHM.13_1 tot en met "
      "QWMHMXHM.13_9999 bestaan al; er is niets hernoemd.\r\n";
  PrepareFullRepeat(w.Settings(), w, w.services, ".DAT", "13");
  EXPECT_EQ(w.LogViewText(), line);
  PreparePartialRepeat(w.Settings(), w, w.services, ".DAT", "13");
  EXPECT_EQ(w.LogViewText(), line + line);
  EXPECT_EQ(Snapshot(dir.path()), before);
  // The folder current on entry stays current.
  EXPECT_TRUE(fs::equivalent(sys::CurrentFolder(), dir / "QMVWORK"));
  sys::SetCurrentFolder(saved);

  fs::remove(dir / "QWMHMXHM.13_5000");
  EXPECT_EQ(ChooseSetAsideNumber(w.Settings(), "13"), 5000);
}

}  // namespace
}  // namespace druvo
