// Renames the system refuses (in use, no rights, an I/O error), not crashes: one refused at
// every rename of a full repeat and of a restore. Judged by what the host sees afterwards:
// every data file present under its own name and whole, and every entry that was not
// converted or not restored named in an ERROR line, with the exit code saying so.
#include <gtest/gtest.h>

#include <filesystem>
#include <functional>
#include <set>

#include "app/console/console_app.h"
#include "datafiles/record.h"
#include "model/catalogue.h"
#include "run/restore.h"
#include "run_fixture.h"
#include "sys/fs.h"
#include "sys/text.h"

using namespace druvo;
using namespace testing_support;
namespace fs = std::filesystem;

namespace {

// A few entries of both folders, the reference entry among them, keep every kind of rename
// in a few seconds.
const std::set<int> kKept = {0, 2, 20, 31};

using RenameFn = std::function<sys::RenameResult(const std::string&, const std::string&)>;

// A window on an installation, with the system's rename replaced.
struct Window {
  MemoryView view;
  MainWindow w{view};
  Window(const std::string& root, RenameFn rename) {
    w.services.relay = "127.0.0.1:9";
    w.services.rename = std::move(rename);
    w.Load();
    view.SetText(Control::txtKlantId, "4711");
    view.SetText(Control::txtExePath, (fs::path(root) / "QMV").string());
    view.SetText(Control::txtDatabasePath, (fs::path(root) / "DATA").string());
  }
};

void CopyTree(const fs::path& from, const fs::path& to) {
  for (const auto& e : fs::recursive_directory_iterator(from)) {
    const fs::path target = to / fs::relative(e.path(), from);
    if (e.is_directory()) fs::create_directories(target);
    else if (e.path().filename() != "DRUVO.LCK") fs::copy_file(e.path(), target);
  }
}

// Refuses the k-th rename it is asked for (counting from 1); counts them all.
RenameFn RefuseAt(long k, long& count) {
  return [k, &count](const std::string& from, const std::string& to) {
    if (++count == k) return sys::RenameResult{sys::RenameStatus::kFailed, "invoer-/uitvoerfout"};
    return sys::RenameNoReplace(from, to);
  };
}

}  // namespace

TEST(RefusedRename, AtEveryRenameEveryDataFileStaysWholeAndEveryMissEntryIsNamed) {
  CurrentFolderGuard guard;
  RunFixture f;
  FileCatalogue cat;
  LoadFileCatalogue(cat);
  std::map<int, std::string> original;  // entry -> data file bytes before any conversion
  for (int i = 0; i < kCatalogueSize; ++i) {
    const std::string path = DataFilePath(cat, i, f.db, ".DAT");
    const auto found = sys::ResolveExisting(path);
    ASSERT_TRUE(found) << path;
    if (kKept.count(i)) original[i] = ReadFile(*found);
    else fs::remove(*found);
  }
  f.Start();
  ASSERT_EQ(f.w.outcome, RunOutcome::kCompleted);
  std::map<int, std::string> converted;
  for (int i : kKept) converted[i] = ReadFile(*sys::ResolveExisting(DataFilePath(cat, i, f.db, ".DAT")));
  const fs::path base = fs::path(f.dir.path()) / "copies";

  // The data file of each entry is there under its own name (in any letter case, as the host
  // looks it up) and holds `expected(i)` exactly, unless an ERROR line names it with `miss`.
  auto judge = [&](const fs::path& root, const std::string& log, const std::string& miss,
                   const std::function<const std::string&(int)>& expected, const std::string& fallbackWhy) {
    for (int i : kKept) {
      const std::string file = text::Upper(DataFileName(cat, i, ".DAT"));
      const std::string path = DataFilePath(cat, i, (root / "DATA").string(), ".DAT");
      ASSERT_TRUE(sys::FindPlainFile(path)) << file << " missing";
      const std::string bytes = ReadFile(*sys::ResolveExisting(path));
      if (log.find("ERROR: " + file + miss) != std::string::npos) {
        EXPECT_TRUE(bytes == converted[i] || bytes == original[i]) << file << " not whole";
      } else {
        EXPECT_EQ(bytes, expected(i)) << file << ": " << fallbackWhy;
      }
    }
  };

  // The full repeat of a second Start.
  long renames = 0;
  {
    const fs::path root = base / "count";
    CopyTree(f.root, root);
    Window whole(root.string(), RefuseAt(0, renames));
    whole.view.answers = {Answer::kOk, Answer::kYes};
    ClickStart(whole.w);
    ASSERT_EQ(renames, 2 * static_cast<long>(kKept.size()));
  }
  for (long k = 1; k <= renames; ++k) {
    SCOPED_TRACE("repeat, refused rename " + std::to_string(k));
    const fs::path root = base / ("repeat-" + std::to_string(k));
    CopyTree(f.root, root);
    long count = 0;
    Window second(root.string(), RefuseAt(k, count));
    second.view.answers = {Answer::kOk, Answer::kYes};
    ClickStart(second.w);
    const std::string log = second.w.LogViewText();
    EXPECT_NE(log.find(" kan niet worden hernoemd (invoer-/uitvoerfout)"), std::string::npos) << log;
    judge(root, log, " is niet omgezet: ", [&](int i) -> const std::string& { return converted[i]; },
          "converted again from its marker");
    EXPECT_EQ(ExitCodeFor(second.w.outcome, second.w.errorCount), 1);
  }

  {
    // The undo refused too: the Start stops before the loop with a message box that names the
    // file, the journal stays, the mail still goes; the next Start finishes the plan.
    const fs::path root = base / "stuck";
    CopyTree(f.root, root);
    Window stuck(root.string(), [](const std::string& from, const std::string& to) {
      for (const std::string end : {"QWIMAPD.13", "QWIMAPD.13_1"})
        if (from.size() > end.size() && from.compare(from.size() - end.size(), end.size(), end) == 0)
          return sys::RenameResult{sys::RenameStatus::kFailed, "invoer-/uitvoerfout"};
      return sys::RenameNoReplace(from, to);
    });
    stuck.view.answers = {Answer::kOk, Answer::kYes};
    ClickStart(stuck.w);
    EXPECT_EQ(ExitCodeFor(stuck.w.outcome, stuck.w.errorCount), 2);
    ASSERT_GE(stuck.view.boxes.size(), 2u);  // the mail's failure comes last
    EXPECT_EQ(stuck.view.boxes[stuck.view.boxes.size() - 2].text,
              "QWIMAPD.13_1 kan niet worden teruggezet (invoer-/uitvoerfout); het hernoemplan blijft in "
              "DRUVO.JNL staan en de volgende Start maakt het af.");
    EXPECT_TRUE(fs::exists(root / "DATA" / "DRUVO.JNL"));
    EXPECT_FALSE(stuck.w.mailResult.empty());
    Window next(root.string(), sys::RenameNoReplace);
    next.view.answers = {Answer::kOk, Answer::kYes};
    ClickStart(next.w);
    EXPECT_NE(next.w.LogViewText().find("Onderbroken hernoemplan afgemaakt: "), std::string::npos);
    EXPECT_EQ(ReadFile((root / "DATA" / "QWIMAPD.DAT").string()), converted[0]);
    EXPECT_EQ(ReadFile((root / "DATA" / "QWIMAPD.13").string()), original[0]);
  }

  // A restore.
  renames = 0;
  {
    const fs::path root = base / "count-restore";
    CopyTree(f.root, root);
    Window whole(root.string(), RefuseAt(0, renames));
    ASSERT_EQ(RestoreConversion(whole.w), RestoreResult::kRestored);
    ASSERT_EQ(renames, 2 * static_cast<long>(kKept.size()) + 2);
  }
  for (long k = 1; k <= renames; ++k) {
    SCOPED_TRACE("restore, refused rename " + std::to_string(k));
    const fs::path root = base / ("restore-" + std::to_string(k));
    CopyTree(f.root, root);
    long count = 0;
    Window restore(root.string(), RefuseAt(k, count));
    EXPECT_EQ(RestoreConversion(restore.w), RestoreResult::kPartly);
    const std::string log = restore.w.LogViewText();
    judge(root, log, " is niet teruggezet: ", [&](int i) -> const std::string& { return original[i]; },
          "restored");
    const bool labelNamed = log.find("ERROR: LMPR.EXE is niet teruggewisseld") != std::string::npos;
    EXPECT_EQ(fs::exists(root / "QMV" / "LMPR13.EXE"), !labelNamed);
    EXPECT_TRUE(fs::exists(root / "QMV" / "LMPR.EXE"));
  }

  {
    // The undo refused too: the restore stops and keeps its journal. The next restore finishes
    // it and counts every entry restored, and the record says they were.
    const fs::path root = base / "stuck-restore";
    CopyTree(f.root, root);
    Window stuck(root.string(), [](const std::string& from, const std::string& to) {
      for (const std::string end : {"QWMHMXHM.13", "QWMHMXHM.13_1"})
        if (from.size() > end.size() && from.compare(from.size() - end.size(), end.size(), end) == 0)
          return sys::RenameResult{sys::RenameStatus::kFailed, "invoer-/uitvoerfout"};
      return sys::RenameNoReplace(from, to);
    });
    EXPECT_EQ(RestoreConversion(stuck.w), RestoreResult::kRefused);
    ASSERT_TRUE(fs::exists(root / "DATA" / "DRUVO.JNL"));
    Window next(root.string(), sys::RenameNoReplace);
    EXPECT_EQ(RestoreConversion(next.w), RestoreResult::kRestored);
    EXPECT_NE(next.w.LogViewText().find("Teruggezet: 4 bestanden; niet teruggezet: 0."), std::string::npos)
        << next.w.LogViewText();
    const FileRecord record = FileRecord::Load((root / "DATA").string());
    for (int i : kKept) {
      EXPECT_EQ(ReadFile(*sys::ResolveExisting(DataFilePath(cat, i, (root / "DATA").string(), ".DAT"))), original[i]);
      EXPECT_FALSE(record.Earliest("13", RecordKey(next.w.catalogue, i, ".DAT"))) << i;
    }
    EXPECT_FALSE(record.LabelToolSwapped("13"));
  }
}
