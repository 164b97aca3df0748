#include "datafiles/journal.h"
#include "datafiles/markers.h"
#include "datafiles/record.h"

#include <gtest/gtest.h>

#include <filesystem>
#include <map>
#include <utility>
#include <vector>

#include "model/main_window.h"
#include "model/memory_view.h"
#include "sys/fs.h"
#include "test_support.h"

namespace druvo {
namespace {

namespace fs = std::filesystem;
using testing_support::ReadFile;
using testing_support::TempDir;
using testing_support::WriteFile;

// Every file below a folder: path relative to it ("/" between parts) -> bytes.
using Files = std::map<std::string, std::string>;

// The host's files only: the record and the journal are the run's own.
Files Snapshot(const std::string& root) {
  Files files;
  for (const auto& e : fs::recursive_directory_iterator(root)) {
    const std::string rel = fs::relative(e.path(), root).generic_string();
    if (e.is_regular_file() && rel.rfind("DRUVO.", 0) != 0) files[rel] = ReadFile(e.path().string());
  }
  return files;
}

// Bytes no other file holds, with a NUL, a CR LF and a high byte in them.
std::string Bytes(const std::string& tag) { return tag + std::string("\0\r\n\xff", 4) + tag; }

// Puts the current folder back before the temporary folder goes away (Windows cannot
// remove a folder that is current).
class CurrentFolderGuard {
 public:
  CurrentFolderGuard() : saved_(sys::CurrentFolder()) {}
  ~CurrentFolderGuard() { sys::SetCurrentFolder(saved_); }

 private:
  std::string saved_;
};

// A database folder with its window; `files` is what the folder should hold.
struct Database {
  explicit Database(bool workFolder = true) {
    w.sDBPath = dir.path();
    LoadFileCatalogue(w.catalogue);
    w.dataFileSuffix = ".DAT";
    if (workFolder) fs::create_directory(dir / "QMVWORK");
    sys::SetCurrentFolder(w.sDBPath);
  }
  // Writes a file with bytes of its own and returns them.
  std::string Put(const std::string& relative) {
    std::string bytes = Bytes(relative);
    WriteFile(dir / relative, bytes);
    files[relative] = bytes;
    return bytes;
  }
  // The expected effect of one rename on `files`.
  void Moved(const std::string& from, const std::string& to) {
    auto node = files.extract(from);
    ASSERT_FALSE(node.empty()) << from;
    node.key() = to;
    files.insert(std::move(node));
  }
  // The record's word that `marker` holds what data file `key` held before its conversion.
  void Vouch(const std::string& marker, const std::string& key) {
    ASSERT_TRUE(AppendRecord(w.sDBPath, "13", key, *FingerprintOf(dir / marker)));
  }
  bool IsCurrent(const std::string& folder) const {
    std::error_code ec;
    return fs::equivalent(sys::CurrentFolder(), folder, ec);
  }

  TempDir dir;
  CurrentFolderGuard guard;
  MemoryView view;
  MainWindow w{view};
  Files files;
};

TEST(CountConvertedFiles, CountsDataFilesAndMarkersOfTheChosenDirection) {
  Database db;
  ConvertedCount c = CountConvertedFiles(db.w.Settings(), db.w, ".DAT", "13");
  EXPECT_EQ(c.dataFiles, 0);
  EXPECT_EQ(c.markers, 0);
  EXPECT_FALSE(c.anyMarker);
  EXPECT_EQ(db.view.repaints, 32);

  // Converted the other way only: no marker of "13".
  db.Put("QWIMAPD.DAT");
  db.Put("QWIMAPD.10");
  db.Put("QMVWORK/QWOMISWT.DAT");
  db.Put("QMVWORK/QWOMISWT.10");
  c = CountConvertedFiles(db.w.Settings(), db.w, ".DAT", "13");
  EXPECT_EQ(c.dataFiles, 2);
  EXPECT_EQ(c.markers, 0);
  EXPECT_FALSE(c.anyMarker);
  c = CountConvertedFiles(db.w.Settings(), db.w, ".DAT", "10");
  EXPECT_EQ(c.markers, 2);
  EXPECT_TRUE(c.anyMarker);

  // Entry 0's marker beside its data file, entry 20's in the work subfolder.
  db.Put("QWIMAPD.13");
  db.Put("QMVWORK/QWOMISWT.13");
  c = CountConvertedFiles(db.w.Settings(), db.w, ".DAT", "13");
  EXPECT_EQ(c.dataFiles, 2);
  EXPECT_EQ(c.markers, 2);
  EXPECT_TRUE(c.anyMarker);

  // A marker without its data file counts; names on disk in lower case count.
  db.Put("QWIEAPUA.13");
  db.Put("qzexv.dat");
  db.Put("qzexv.13");
  db.Put("QMVWORK/qwepiqxz.13");
  c = CountConvertedFiles(db.w.Settings(), db.w, ".DAT", "13");
  EXPECT_EQ(c.dataFiles, 3);
  EXPECT_EQ(c.markers, 5);

  EXPECT_EQ(db.view.repaints, 5 * 32);
  EXPECT_TRUE(db.IsCurrent(db.w.sDBPath));
  EXPECT_EQ(Snapshot(db.dir.path()), db.files);
}

TEST(CountConvertedFiles, LooksInEachEntrysFolderWithItsOwnName) {
  Database db;
  db.Put("QWIMAPD.D01");
  db.Put("QWAOMVSQ.DAT");  // not the data file with the suffix .D01
  db.Put("QMVWORK/QWOMISWT.dat");
  db.Put("QMVWORK/QWOJJPSI.D01");  // the work subfolder always has ".dat"
  // In the wrong folder: entry 20 in the database folder, entry 0 in the work subfolder.
  db.Put("QWEPIQXZ.DAT");
  db.Put("QWEPIQXZ.13");
  db.Put("QMVWORK/QWSPWOU.13");
  // A folder is not a file.
  fs::create_directory(db.dir / "QWIEAPUA.13");
  sys::SetCurrentFolder(db.dir / "QMVWORK");

  ConvertedCount c = CountConvertedFiles(db.w.Settings(), db.w, ".D01", "13");
  EXPECT_EQ(c.dataFiles, 2);
  EXPECT_EQ(c.markers, 0);
  EXPECT_FALSE(c.anyMarker);
  EXPECT_TRUE(db.IsCurrent(db.dir / "QMVWORK"));

  // Without a work subfolder the entries of the database folder still count.
  Database bare(false);
  bare.Put("QWIEAPUA.DAT");
  bare.Put("QWIEAPUA.13");
  c = CountConvertedFiles(bare.w.Settings(), bare.w, ".DAT", "13");
  EXPECT_EQ(c.dataFiles, 1);
  EXPECT_EQ(c.markers, 1);
}

TEST(ChooseSetAsideNumber, IsDecidedByTheReferenceEntryAlone) {
  Database db;
  EXPECT_EQ(MarkerName(db.w.catalogue, 0, "13"), "QWIMAPD.13");
  EXPECT_EQ(MarkerName(db.w.catalogue, 20, "10"), "QWOMISWT.10");
  EXPECT_EQ(SetAsideName(db.w.catalogue, 0, "13", 10), "QWIMAPD.13_10");
  EXPECT_EQ(SetAsideName(db.w.catalogue, 31, "10", 9999), "QWIEAPUA.10_9999");
  db.w.catalogue.baseNames[0] = "qwImapd";
  EXPECT_EQ(SetAsideName(db.w.catalogue, 0, "13", 1), "QWIMAPD.13_1");
  db.w.catalogue.baseNames[0] = "QWIMAPD";

  EXPECT_EQ(ChooseSetAsideNumber(db.w.Settings(), "13"), 1);

  db.Put("QWMHMXHM.13_1");
  db.Put("QWMHMXHM.13_3");
  db.Put("QWIMAPD.13_2");
  db.Put("QWMHMXHM.10_2");
  db.Put("QMVWORK/QWMHMXHM.13_2");  // only the database folder is looked at
  EXPECT_EQ(ChooseSetAsideNumber(db.w.Settings(), "13"), 2);
  EXPECT_EQ(ChooseSetAsideNumber(db.w.Settings(), "10"), 1);

  for (int n : {2, 4, 5, 6, 7, 8, 9}) db.Put("QWMHMXHM.13_" + std::to_string(n));
  EXPECT_EQ(ChooseSetAsideNumber(db.w.Settings(), "13"), 10);

  db.Put("qwmhmxhm.13_10");
  fs::create_directory(db.dir / "QWMHMXHM.13_11");
  EXPECT_EQ(ChooseSetAsideNumber(db.w.Settings(), "13"), 11);
  EXPECT_EQ(Snapshot(db.dir.path()), db.files);
}

TEST(PreparePartialRepeat, SetsEveryMarkerAsideUnderOneNumber) {
  Database db;
  db.Put("QWMHMXHM.13_1");  // the reference entry's 1 is taken: n is 2
  db.Put("QWIMAPD.DAT");
  db.Put("QWIMAPD.13");
  db.Put("QWAOMVSQ.13");  // marker only
  db.Put("QWMHMXHM.DAT");
  db.Put("QWMHMXHM.13");
  db.Put("QWAXUIJG.13");  // its set-aside name is taken
  db.Put("QWAXUIJG.13_2");
  db.Put("QWOUPVOG.DAT");  // data file without marker
  db.Put("QWGOZZAH.DAT");  // converted the other way
  db.Put("QWGOZZAH.10");
  db.Put("qzzogea.13");
  db.Put("QWIEAPUA.13");
  db.Put("QWIMAPD.Log");
  db.Put("QMVWORK/QWOMISWT.DAT");
  db.Put("QMVWORK/QWOMISWT.13");
  db.Put("QMVWORK/QWOMISWT.Log");
  db.Put("QMVWORK/QWOJJPSI.13");
  db.Put("QMVWORK/QWOJJPSI.13_2");
  sys::SetCurrentFolder(db.dir / "QMVWORK");

  PreparePartialRepeat(db.w.Settings(), db.w, db.w.services, ".DAT", "13");
  db.Moved("QWIMAPD.13", "QWIMAPD.13_2");
  db.Moved("QWAOMVSQ.13", "QWAOMVSQ.13_2");
  db.Moved("QWMHMXHM.13", "QWMHMXHM.13_2");
  db.Moved("qzzogea.13", "QZZOGEA.13_2");
  db.Moved("QWIEAPUA.13", "QWIEAPUA.13_2");
  db.Moved("QMVWORK/QWOMISWT.13", "QMVWORK/QWOMISWT.13_2");
  EXPECT_EQ(Snapshot(db.dir.path()), db.files);
  EXPECT_TRUE(db.IsCurrent(db.w.sDBPath));
  EXPECT_EQ(db.w.LogViewText(), "");

  // Again: the reference entry's 2 is now taken, so the markers left over go to 3.
  PreparePartialRepeat(db.w.Settings(), db.w, db.w.services, ".DAT", "13");
  db.Moved("QWAXUIJG.13", "QWAXUIJG.13_3");
  db.Moved("QMVWORK/QWOJJPSI.13", "QMVWORK/QWOJJPSI.13_3");
  EXPECT_EQ(Snapshot(db.dir.path()), db.files);
  EXPECT_TRUE(db.IsCurrent(db.w.sDBPath));
}

TEST(PreparePartialRepeat, SameNumberAgainWhenTheReferenceEntryHadNoMarker) {
  Database db;
  db.Put("QWIMAPD.DAT");
  db.Put("QWIMAPD.13");
  PreparePartialRepeat(db.w.Settings(), db.w, db.w.services, ".DAT", "13");
  db.Moved("QWIMAPD.13", "QWIMAPD.13_1");
  EXPECT_EQ(Snapshot(db.dir.path()), db.files);

  // The next run left a fresh marker; 1 is chosen again and its name is taken.
  db.Put("QWIMAPD.13");
  db.Put("QWAOMVSQ.13");
  PreparePartialRepeat(db.w.Settings(), db.w, db.w.services, ".DAT", "13");
  db.Moved("QWAOMVSQ.13", "QWAOMVSQ.13_1");
  EXPECT_EQ(Snapshot(db.dir.path()), db.files);
  EXPECT_EQ(db.w.LogViewText(), "");
}

TEST(PrepareFullRepeat, PutsEachMarkerBackInItsDataFilesPlace) {
  Database db;
  db.Put("QWIMAPD.D01");  // converted
  db.Put("QWIMAPD.13");
  db.Put("QWAOMVSQ.13");  // marker only
  db.Put("QWMHMXHM.D01");  // the reference entry, converted
  db.Put("QWMHMXHM.13");
  db.Put("QWAXUIJG.D01");  // set-aside name taken
  db.Put("QWAXUIJG.13");
  db.Put("QWAXUIJG.13_1");
  db.Put("QWOUPVOG.D01");  // data file without marker
  db.Put("QZZOGEA.D01");   // converted the other way
  db.Put("QZZOGEA.10");
  db.Put("QZEXV.DAT");  // not the data file under the suffix .D01
  db.Put("QZEXV.13");
  db.Put("qzaemak.d01");  // lower case on disk
  db.Put("qzaemak.13");
  db.Put("QWIEAPUA.D01");
  db.Put("QWIEAPUA.13");
  db.Put("QWIMAPD.Log");
  db.Put("QMVWORK/QWOMISWT.DAT");
  db.Put("QMVWORK/QWOMISWT.13");
  db.Put("QMVWORK/qwepiqxz.dat");
  db.Put("QMVWORK/QWEPIQXZ.13");
  db.Put("QMVWORK/QWJHLIWW.13");
  db.Put("QMVWORK/QWOMISWT.Log");
  for (const char* key : {"QWIMAPD", "QWAOMVSQ", "QWMHMXHM", "QWAXUIJG", "QZEXV", "QZAEMAK", "QWIEAPUA"})
    db.Vouch(std::string(key == std::string("QZAEMAK") ? "qzaemak" : key) + ".13", std::string(key) + ".D01");
  for (const char* key : {"QWOMISWT", "QWEPIQXZ", "QWJHLIWW"})
    db.Vouch(std::string("QMVWORK/") + key + ".13", std::string("QMVWORK\\") + key + ".DAT");

  // Which folder is current at each rename.
  std::vector<std::pair<std::string, std::string>> renames;
  db.w.services.rename = [&](const std::string& from, const std::string& to) {
    renames.emplace_back(to.substr(to.rfind('\\') + 1), sys::CurrentFolder());
    return sys::RenameNoReplace(from, to);
  };

  PrepareFullRepeat(db.w.Settings(), db.w, db.w.services, ".D01", "13");
  db.Moved("QWIMAPD.D01", "QWIMAPD.13_1");
  db.Moved("QWIMAPD.13", "QWIMAPD.D01");
  db.Moved("QWAOMVSQ.13", "QWAOMVSQ.D01");
  db.Moved("QWMHMXHM.D01", "QWMHMXHM.13_1");
  db.Moved("QWMHMXHM.13", "QWMHMXHM.D01");
  // Data files without a marker to take their place stay where the host reads them.
  db.Moved("QZEXV.13", "QZEXV.D01");
  db.Moved("qzaemak.d01", "QZAEMAK.13_1");
  db.Moved("qzaemak.13", "QZAEMAK.D01");
  db.Moved("QWIEAPUA.D01", "QWIEAPUA.13_1");
  db.Moved("QWIEAPUA.13", "QWIEAPUA.D01");
  db.Moved("QMVWORK/QWOMISWT.DAT", "QMVWORK/QWOMISWT.13_1");
  db.Moved("QMVWORK/QWOMISWT.13", "QMVWORK/QWOMISWT.DAT");
  db.Moved("QMVWORK/qwepiqxz.dat", "QMVWORK/QWEPIQXZ.13_1");
  db.Moved("QMVWORK/QWEPIQXZ.13", "QMVWORK/QWEPIQXZ.DAT");
  db.Moved("QMVWORK/QWJHLIWW.13", "QMVWORK/QWJHLIWW.DAT");
  EXPECT_EQ(Snapshot(db.dir.path()), db.files);
  EXPECT_TRUE(db.IsCurrent(db.w.sDBPath));
  EXPECT_EQ(db.w.LogViewText(), "");

  ASSERT_EQ(renames.size(), 15u);
  std::error_code ec;
  for (const auto& [name, folder] : renames) {
    bool work = name.rfind("QWOMISWT", 0) == 0 || name.rfind("QWEPIQXZ", 0) == 0 || name.rfind("QWJHLIWW", 0) == 0;
    EXPECT_TRUE(fs::equivalent(folder, work ? db.dir / "QMVWORK" : db.dir.path(), ec)) << name << " in " << folder;
  }
}

// A marker goes back unless the record contradicts it: not a torn one, not another
// administration's under the same name. One the record knows nothing of (the record lost, the
// utility run by hand) is taken as found, said, and recorded from then on.
TEST(PrepareFullRepeat, PutsBackEveryMarkerTheRecordDoesNotContradict) {
  Database db;
  db.Put("QWIMAPD.DAT");
  db.Put("QWIMAPD.13");
  db.Put("QWAOMVSQ.DAT");
  db.Put("QWAOMVSQ.13");
  db.Put("QMVWORK/QWOMISWT.DAT");
  db.Put("QMVWORK/QWOMISWT.13");
  db.Put("QWIEAPUA.13");
  db.Vouch("QWIMAPD.13", "QWIMAPD.DAT");
  Fingerprint torn = *FingerprintOf(db.dir / "QWAOMVSQ.13");
  torn.size += 100;
  ASSERT_TRUE(AppendRecord(db.w.sDBPath, "13", "QWAOMVSQ.DAT", torn));

  const std::string work = db.files.at("QMVWORK/QWOMISWT.13");
  const Preparation prepared = PrepareFullRepeat(db.w.Settings(), db.w, db.w.services, ".DAT", "13");
  db.Moved("QWIMAPD.DAT", "QWIMAPD.13_1");
  db.Moved("QWIMAPD.13", "QWIMAPD.DAT");
  db.Moved("QMVWORK/QWOMISWT.DAT", "QMVWORK/QWOMISWT.13_1");
  db.Moved("QMVWORK/QWOMISWT.13", "QMVWORK/QWOMISWT.DAT");
  db.Moved("QWIEAPUA.13", "QWIEAPUA.DAT");
  EXPECT_EQ(Snapshot(db.dir.path()), db.files);
  EXPECT_EQ(db.w.LogViewText(),
            "ERROR: QWAOMVSQ.DAT is niet omgezet: QWAOMVSQ.13 wordt niet teruggezet, het is niet de inhoud van "
            "QWAOMVSQ.DAT van voor de conversie (" + std::to_string(torn.size - 100) + " bytes, verwacht " +
                std::to_string(torn.size) + " bytes); QWAOMVSQ.DAT blijft staan\r\n"
            "QMVWORK\\QWOMISWT.13 is genomen zoals gevonden (geen regel in DRUVO.REC): voortaan de toestand van "
            "QWOMISWT.DAT van voor de conversie, " + std::to_string(work.size()) + " bytes\r\n"
            "QWIEAPUA.13 is genomen zoals gevonden (geen regel in DRUVO.REC): voortaan de toestand van QWIEAPUA.DAT "
            "van voor de conversie, 26 bytes\r\n");
  EXPECT_EQ(db.w.errorCount, 1);
  EXPECT_EQ(prepared.reported.count(), 1u);
  EXPECT_TRUE(prepared.reported.test(1));
  EXPECT_EQ(FileRecord::Load(db.w.sDBPath).Earliest("13", "QMVWORK\\QWOMISWT.DAT"), FingerprintOf(db.dir / "QMVWORK/QWOMISWT.DAT"));

  // A marker another administration's line vouches for is not this one's.
  Database ab;
  ab.Put("QWIMAPD.DAB");
  ab.Put("QWIMAPD.13");
  ab.Vouch("QWIMAPD.13", "QWIMAPD.DAT");
  PrepareFullRepeat(ab.w.Settings(), ab.w, ab.w.services, ".DAB", "13");
  EXPECT_EQ(Snapshot(ab.dir.path()), ab.files);
  EXPECT_EQ(ab.w.LogViewText(), "ERROR: QWIMAPD.DAB is niet omgezet: QWIMAPD.13 wordt niet teruggezet, het is de inhoud van "
                                "QWIMAPD.DAT van voor de conversie, niet van QWIMAPD.DAB; QWIMAPD.DAB blijft staan\r\n");
}

// A rename the system refuses (not a crash) leaves its entry whole: the renames of the entry
// already made are undone at once, and the entry gets an ERROR line. Only a refused undo
// stops, and leaves the journal for the next Start.
TEST(RepeatPreparation, ARefusedRenameLeavesItsEntryAsItWas) {
  auto refuse = [](std::vector<std::string> names) {
    return [names](const std::string& from, const std::string& to) {
      for (const auto& n : names) {
        if (from.size() >= n.size() && from.compare(from.size() - n.size(), n.size(), n) == 0)
          return sys::RenameResult{sys::RenameStatus::kFailed, "toegang geweigerd"};
      }
      return sys::RenameNoReplace(from, to);
    };
  };
  auto converted = [](Database& db) {
    for (const char* base : {"QWIMAPD", "QWAOMVSQ", "QWMHMXHM"}) {
      db.Put(std::string(base) + ".DAT");
      db.Put(std::string(base) + ".13");
      db.Vouch(std::string(base) + ".13", std::string(base) + ".DAT");
    }
  };

  // The first rename of entry 0 and the second of entry 1 are refused.
  Database db;
  converted(db);
  db.w.services.rename = refuse({"\\QWIMAPD.DAT", "\\QWAOMVSQ.13"});
  const Preparation prepared = PrepareFullRepeat(db.w.Settings(), db.w, db.w.services, ".DAT", "13");
  EXPECT_FALSE(prepared.stopped);
  db.Moved("QWMHMXHM.DAT", "QWMHMXHM.13_1");
  db.Moved("QWMHMXHM.13", "QWMHMXHM.DAT");
  EXPECT_EQ(Snapshot(db.dir.path()), db.files);
  EXPECT_EQ(db.w.LogViewText(),
            "ERROR: QWIMAPD.DAT is niet omgezet: QWIMAPD.DAT kan niet worden hernoemd (toegang geweigerd)\r\n"
            "ERROR: QWAOMVSQ.DAT is niet omgezet: QWAOMVSQ.13 kan niet worden hernoemd (toegang geweigerd)\r\n");
  EXPECT_EQ(db.w.errorCount, 2);
  EXPECT_EQ(prepared.reported.count(), 2u);
  EXPECT_TRUE(db.IsCurrent(db.w.sDBPath));
  EXPECT_FALSE(fs::exists(db.dir / kJournalFileName));

  // The partial repeat: the marker in the work subfolder is refused, the others move.
  Database part;
  part.Put("QWIMAPD.13");
  part.Put("QMVWORK/QWOMISWT.13");
  part.Put("QWIEAPUA.13");
  part.w.services.rename = refuse({"\\QWOMISWT.13"});
  PreparePartialRepeat(part.w.Settings(), part.w, part.w.services, ".DAT", "13");
  part.Moved("QWIMAPD.13", "QWIMAPD.13_1");
  part.Moved("QWIEAPUA.13", "QWIEAPUA.13_1");
  EXPECT_EQ(Snapshot(part.dir.path()), part.files);
  EXPECT_EQ(part.w.LogViewText(),
            "ERROR: QWOMISWT.DAT is niet omgezet: QMVWORK\\QWOMISWT.13 kan niet worden hernoemd (toegang "
            "geweigerd)\r\n");

  // The undo refused too: entry 1 is half done, nothing after it is touched, the journal
  // stays; the next Start finishes the plan and every data file is back.
  Database stuck;
  converted(stuck);
  stuck.w.services.rename = refuse({"\\QWAOMVSQ.13", "\\QWAOMVSQ.13_1"});
  const Preparation p = PrepareFullRepeat(stuck.w.Settings(), stuck.w, stuck.w.services, ".DAT", "13");
  EXPECT_TRUE(p.stopped);
  EXPECT_EQ(p.why, "QWAOMVSQ.13_1 kan niet worden teruggezet (toegang geweigerd); het hernoemplan blijft in "
                   "DRUVO.JNL staan en de volgende Start maakt het af.");
  stuck.Moved("QWIMAPD.DAT", "QWIMAPD.13_1");
  stuck.Moved("QWIMAPD.13", "QWIMAPD.DAT");
  stuck.Moved("QWAOMVSQ.DAT", "QWAOMVSQ.13_1");
  EXPECT_EQ(Snapshot(stuck.dir.path()), stuck.files);
  ASSERT_TRUE(fs::exists(stuck.dir / kJournalFileName));
  stuck.w.services.rename = sys::RenameNoReplace;
  EXPECT_TRUE(FinishUnfinishedPlan(stuck.w.Settings(), stuck.w, stuck.w.services).ok);
  stuck.Moved("QWAOMVSQ.13", "QWAOMVSQ.DAT");
  stuck.Moved("QWMHMXHM.DAT", "QWMHMXHM.13_1");
  stuck.Moved("QWMHMXHM.13", "QWMHMXHM.DAT");
  EXPECT_EQ(Snapshot(stuck.dir.path()), stuck.files);

  // A name taken between the check and the rename is skipped in silence, as the check would.
  Database race;
  race.Put("QWIMAPD.DAT");
  race.Put("QWIMAPD.13");
  race.Vouch("QWIMAPD.13", "QWIMAPD.DAT");
  race.w.services.rename = [](const std::string&, const std::string&) {
    return sys::RenameResult{sys::RenameStatus::kTargetTaken, "bestaat al"};
  };
  PrepareFullRepeat(race.w.Settings(), race.w, race.w.services, ".DAT", "13");
  PreparePartialRepeat(race.w.Settings(), race.w, race.w.services, ".DAT", "13");
  EXPECT_EQ(Snapshot(race.dir.path()), race.files);
  EXPECT_EQ(race.w.LogViewText(), "");
}

TEST(RepeatPreparation, WithoutWorkSubfolder) {
  Database full(false);
  full.Put("QWIMAPD.DAT");
  full.Put("QWIMAPD.13");
  full.Put("QWIEAPUA.13");
  full.Vouch("QWIMAPD.13", "QWIMAPD.DAT");
  full.Vouch("QWIEAPUA.13", "QWIEAPUA.DAT");
  PrepareFullRepeat(full.w.Settings(), full.w, full.w.services, ".DAT", "13");
  full.Moved("QWIMAPD.DAT", "QWIMAPD.13_1");
  full.Moved("QWIMAPD.13", "QWIMAPD.DAT");
  full.Moved("QWIEAPUA.13", "QWIEAPUA.DAT");
  EXPECT_EQ(Snapshot(full.dir.path()), full.files);
  EXPECT_TRUE(full.IsCurrent(full.w.sDBPath));
  EXPECT_EQ(full.w.LogViewText(), "");

  Database part(false);
  part.Put("QWIMAPD.DAT");
  part.Put("QWIMAPD.13");
  part.Put("QWIEAPUA.13");
  PreparePartialRepeat(part.w.Settings(), part.w, part.w.services, ".DAT", "13");
  part.Moved("QWIMAPD.13", "QWIMAPD.13_1");
  part.Moved("QWIEAPUA.13", "QWIEAPUA.13_1");
  EXPECT_EQ(Snapshot(part.dir.path()), part.files);
  EXPECT_TRUE(part.IsCurrent(part.w.sDBPath));
  EXPECT_EQ(part.w.LogViewText(), "");
}

}  // namespace
}  // namespace druvo
