// druvo check and druvo restore on a demo installation: check touches nothing, restore
// brings back every byte the run changed, also when it is ended at any of its renames.
#include <gtest/gtest.h>

#include <algorithm>
#include <cstdlib>
#include <cstring>
#include <filesystem>
#include <map>
#include <set>
#include <tuple>
#include <vector>

#include "model/main_window.h"
#include "model/memory_view.h"
#include "model/catalogue.h"
#include "datafiles/journal.h"
#include "datafiles/record.h"
#include "datafiles/run_lock.h"
#include "run/restore.h"
#include "sys/env.h"
#include "sys/file_lock.h"
#include "sys/fs.h"
#include "sys/text.h"
#include "test_support.h"
#include "tools/log_view.h"

using namespace testing_support;
namespace fs = std::filesystem;

namespace {

// Relative path -> (kind, size, modification time, bytes) of everything below a folder,
// folders included: a file made and removed again still changes its folder's time.
using Snapshot =
    std::map<std::string, std::tuple<bool, std::uintmax_t, fs::file_time_type, std::string>>;

Snapshot Take(const std::string& root) {
  Snapshot s;
  for (const auto& e : fs::recursive_directory_iterator(fs::path(root))) {
    const bool file = e.is_regular_file();
    s[fs::relative(e.path(), root).generic_string()] = {
        file, file ? e.file_size() : 0, e.last_write_time(),
        file ? ReadFile(e.path().string()) : std::string()};
  }
  return s;
}

// Relative path -> bytes of every file below a folder.
std::map<std::string, std::string> DataFiles(const std::string& db) {
  std::map<std::string, std::string> files;
  for (const auto& e : fs::recursive_directory_iterator(fs::path(db)))
    if (e.is_regular_file())
      files[fs::relative(e.path(), db).generic_string()] = ReadFile(e.path().string());
  return files;
}

struct Demo {
  TempDir dir;
  std::string root = dir / "demo map";
  std::string prog = (fs::path(root) / "QMV").string();
  std::string db = (fs::path(root) / "DATA").string();
  std::string options =
      " --customer 4711 --program-folder " + Quote(prog) + " --database-folder " + Quote(db);
  Demo() {
    EXPECT_EQ(RunConsoleProgram("demo " + Quote(root)), 0);
    // The two label tools told apart, so that a swap back can be seen in their bytes.
    WriteFile(prog + "/LMPR.EXE", "label tool 10");
    WriteFile(prog + "/LMPR13.EXE", "label tool 13");
  }
};

}  // namespace

TEST(CheckAndRestore, CheckReportsAFreshDemoAndTouchesNothing) {
  Demo demo;
  const Snapshot before = Take(demo.root);
  const std::string out = demo.dir / "check.txt";
  EXPECT_EQ(RunConsoleProgram("check" + demo.options, out), 0);
  EXPECT_EQ(Take(demo.root), before);

  int entry = 0;
  std::string text = ReadFile(out);
  for (const std::string& line : druvo::SplitLines(text)) {
    const int n = std::atoi(line.c_str());
    if (n == 0) continue;
    EXPECT_EQ(n, ++entry) << line;
    EXPECT_NE(line.find(" bytes "), std::string::npos) << line;
    EXPECT_NE(line.find(" ontbreekt"), std::string::npos) << line;
  }
  EXPECT_EQ(entry, 32) << text;
  EXPECT_NE(text.find("Database laatst gewijzigd op "), std::string::npos);
  EXPECT_NE(text.find(" Vereist : "), std::string::npos);

  // A missing customer number is refused with the system's own text.
  EXPECT_EQ(RunConsoleProgram("check --program-folder " + Quote(demo.prog) + " --database-folder " +
                                  Quote(demo.db),
                              out),
            2);
  EXPECT_NE(ReadFile(out).find("Klantcode is verplicht !"), std::string::npos);
  EXPECT_EQ(Take(demo.root), before);
}

TEST(CheckAndRestore, AnUnfinishedPlanIsReportedAndAHeldLockRefuses) {
  Demo demo;
  const std::string out = demo.dir / "check.txt";
  // A journal naming a file outside the installation: check says that the Start refuses; the
  // Start sets it aside, refuses, and renames nothing.
  const std::string outside = demo.dir / "buiten.txt";
  WriteFile(outside, "van een ander");
  const std::string foreign = "DRUVO rename plan 2\nE\nD\t" + outside + "\tQWIMAPD.13_7\nEND 1\n";
  WriteFile(demo.db + "/" + druvo::kJournalFileName, foreign);
  EXPECT_EQ(RunConsoleProgram("check" + demo.options, out), 2);
  EXPECT_NE(ReadFile(out).find("noemt een bestand buiten de installatie"), std::string::npos) << ReadFile(out);
  EXPECT_EQ(RunConsoleProgram("run --yes" + demo.options, out), 2);
  EXPECT_EQ(ReadFile(outside), "van een ander");
  EXPECT_EQ(ReadFile(demo.db + "/" + druvo::kJournalFileName + "_1"), foreign);
  EXPECT_FALSE(Exists(demo.db + "/QWIMAPD.13"));

  ASSERT_TRUE(sys::WriteNewFileDurably(demo.db + "/" + druvo::kJournalFileName,
                                       druvo::EncodeJournal({{{{druvo::PlanFolder::kDatabase, "QWIMAPD.DAT", "QWIMAPD.13_1"}}}})));
  EXPECT_EQ(RunConsoleProgram("check" + demo.options, out), 0);
  EXPECT_NE(ReadFile(out).find("Onderbroken hernoemplan: 1 hernoemingen"), std::string::npos) << ReadFile(out);
  EXPECT_TRUE(Exists(demo.db + "/QWIMAPD.DAT"));

  sys::LockStatus status;
  std::string why;
  const auto lock = sys::FileLock::Take(druvo::RunLockPath(demo.db), status, why);
  ASSERT_TRUE(lock) << why;
  EXPECT_EQ(RunConsoleProgram("check" + demo.options, out), 7);
  EXPECT_EQ(RunConsoleProgram("restore --yes" + demo.options, out), 7);
  EXPECT_EQ(RunConsoleProgram("run --yes" + demo.options, out), 7);
  // Nothing was touched: the plan is still unfinished.
  EXPECT_TRUE(Exists(demo.db + "/QWIMAPD.DAT"));
  EXPECT_TRUE(Exists(demo.db + "/" + druvo::kJournalFileName));
}

// A full repeat killed between the two renames of its first entry: check counts the renames
// the Start will make and reports the state they leave, and the Start does just that.
TEST(CheckAndRestore, CheckAfterAKilledRepeatSaysWhatTheStartWillDo) {
  Demo demo;
  SetEnv("DRUVO_SMTP_RELAY", "127.0.0.1:9");
  EXPECT_EQ(RunConsoleProgram("run --yes" + demo.options), 1);  // the demo's ERROR lines
  druvo::FileCatalogue catalogue;
  druvo::LoadFileCatalogue(catalogue);
  druvo::RenamePlan plan;
  for (int i = 0; i < druvo::kCatalogueSize; ++i) {
    const std::string in = druvo::InWorkFolder(i) ? "QMVWORK\\" : "";
    const std::string base = in + catalogue.baseNames[i];
    const std::string data = in + text::Upper(druvo::DataFileName(catalogue, i, ".DAT"));
    plan.push_back({{{druvo::PlanFolder::kDatabase, data, base + ".13_1"},
                     {druvo::PlanFolder::kDatabase, base + ".13", data}}});
  }
  ASSERT_TRUE(sys::WriteNewFileDurably(demo.db + "/" + druvo::kJournalFileName, druvo::EncodeJournal(plan)));
  fs::rename(demo.db + "/QWIMAPD.DAT", demo.db + "/QWIMAPD.13_1");

  const std::string out = demo.dir / "check.txt";
  EXPECT_EQ(RunConsoleProgram("check" + demo.options, out), 0);
  const std::string report = ReadFile(out);
  EXPECT_NE(report.find("Onderbroken hernoemplan: 64 hernoemingen, 63 nog te doen"), std::string::npos) << report;
  EXPECT_NE(report.find("geen markering van deze richting; een Start converteert alle 32 aanwezige"),
            std::string::npos) << report;
  EXPECT_EQ(RunConsoleProgram("run --yes" + demo.options), 1);
  UnsetEnv("DRUVO_SMTP_RELAY");
  const std::string log = ReadFile(demo.prog + "/DRUVO.Log");
  EXPECT_NE(log.find("Onderbroken hernoemplan afgemaakt: 63 bestanden hernoemd."), std::string::npos) << log;
  EXPECT_NE(log.find("Omgezet: 32 van 32 bestanden"), std::string::npos);
}

TEST(CheckAndRestore, RestoreAfterARunBringsBackEveryByte) {
  Demo demo;
  const auto original = DataFiles(demo.db);
  SetEnv("DRUVO_SMTP_RELAY", "127.0.0.1:9");
  EXPECT_EQ(RunConsoleProgram("run --yes" + demo.options), 1);  // the demo's ERROR lines
  UnsetEnv("DRUVO_SMTP_RELAY");
  ASSERT_NE(DataFiles(demo.db).at("QWIMAPD.DAT"), original.at("QWIMAPD.DAT"));
  const std::string out = demo.dir / "check.txt";
  EXPECT_EQ(RunConsoleProgram("check" + demo.options, out), 0);
  EXPECT_NE(ReadFile(out).find("Conversie is al volledig gedaan !"), std::string::npos);
  EXPECT_NE(ReadFile(out).find("volgnummer 1 (zoals QWMHMXHM.13_1)"), std::string::npos);

  // A run the other way and its restore: that run swapped no label tool, so its restore
  // leaves the tool as the run to 13 left it.
  SetEnv("DRUVO_SMTP_RELAY", "127.0.0.1:9");
  EXPECT_EQ(RunConsoleProgram("run --yes --direction 10" + demo.options), 1);
  UnsetEnv("DRUVO_SMTP_RELAY");
  EXPECT_EQ(RunConsoleProgram("restore --yes --direction 10" + demo.options), 0);
  EXPECT_EQ(ReadFile(demo.prog + "/LMPR.EXE"), "label tool 13");
  EXPECT_EQ(ReadFile(demo.prog + "/LMPR10.EXE"), "label tool 10");

  EXPECT_EQ(RunConsoleProgram("restore --yes" + demo.options), 0);
  const auto restored = DataFiles(demo.db);
  for (const auto& [name, bytes] : original) {
    ASSERT_TRUE(restored.count(name)) << name;
    EXPECT_EQ(restored.at(name), bytes) << name;
  }
  EXPECT_EQ(ReadFile(demo.prog + "/LMPR13.EXE"), "label tool 13");
  EXPECT_EQ(ReadFile(demo.prog + "/LMPR.EXE"), "label tool 10");
  EXPECT_FALSE(Exists(demo.prog + "/LMPR10.EXE"));
  const std::string log = ReadFile(demo.prog + "/DRUVO-restore.Log");
  EXPECT_NE(log.rfind("Teruggezet: 32 bestanden; niet teruggezet: 0."), std::string::npos) << log;

  // Nothing is left to put back: the second restore changes no file of the database and
  // adds its log to the first one's.
  const Snapshot before = Take(demo.db);
  EXPECT_EQ(RunConsoleProgram("restore --yes" + demo.options), 4);
  EXPECT_EQ(Take(demo.db), before);
  EXPECT_EQ(ReadFile(demo.prog + "/DRUVO-restore.Log").rfind(log, 0), 0u);
}

// A shop whose conversion DRUVO did not see made (or whose DRUVO.REC was lost): the full repeat
// takes every marker as found and converts all 32 again, saying of newer work in a file where
// it goes; restore then gives every original back, the label tool too. With no record and no
// repeat, restore gives them back as well.
TEST(CheckAndRestore, MarkersWithoutARecordAreTakenAsFound) {
  Demo demo;
  const auto original = DataFiles(demo.db);
  // A file by its name in any letter case, as the host finds it.
  auto read = [](const std::string& db, const std::string& name) {
    const std::string path = db + "/" + name;
    const auto found = sys::FindPlainFile(path);
    return found ? ReadFile(fs::path(path).parent_path().string() + "/" + *found) : std::string();
  };
  SetEnv("DRUVO_SMTP_RELAY", "127.0.0.1:9");
  EXPECT_EQ(RunConsoleProgram("run --yes" + demo.options), 1);
  const auto converted = DataFiles(demo.db);
  fs::remove(demo.db + "/DRUVO.REC");
  const Demo same;  // the same run once more, for the restore without a repeat
  EXPECT_EQ(RunConsoleProgram("run --yes" + same.options), 1);
  fs::remove(same.db + "/DRUVO.REC");

  const std::string log = demo.dir / "repeat.txt";
  EXPECT_EQ(RunConsoleProgram("run --yes" + demo.options, log), 1);
  const std::string text = ReadFile(log);
  EXPECT_NE(text.find("QWIMAPD.13 is genomen zoals gevonden (geen regel in DRUVO.REC): voortaan de toestand van "
                      "QWIMAPD.DAT van voor de conversie"),
            std::string::npos) << text;
  EXPECT_NE(text.find("Omgezet: 32 van 32 bestanden; niet aanwezig: 0; niet omgezet: 0"), std::string::npos) << text;
  EXPECT_EQ(text.find("DRUVO.REC staat ervoor in"), std::string::npos) << text;
  for (const auto& [name, bytes] : converted) {
    if (name.ends_with(".DAT") || name.ends_with(".dat")) {
      EXPECT_TRUE(read(demo.db, name) == bytes) << name;
    }
  }

  // A sale added after the conversion: the next full repeat says where it goes.
  WriteFile(demo.db + "/QWAOMVSQ.DAT", ReadFile(demo.db + "/QWAOMVSQ.DAT") + "9789012345678;verkocht;1;9,95\r\n");
  const std::string checked = demo.dir / "check.txt";
  EXPECT_EQ(RunConsoleProgram("check" + demo.options, checked), 0);
  EXPECT_NE(ReadFile(checked).find("Let op: veranderd sinds de conversie; Ja zet hun nieuwere inhoud opzij: "
                                   "QWAOMVSQ.DAT als QWAOMVSQ.13_2"),
            std::string::npos) << ReadFile(checked);
  EXPECT_EQ(RunConsoleProgram("run --yes" + demo.options, log), 1);
  EXPECT_NE(ReadFile(log).find("Let op: QWAOMVSQ.DAT is veranderd sinds de conversie ("), std::string::npos);
  EXPECT_NE(ReadFile(demo.db + "/QWAOMVSQ.13_2").find("verkocht"), std::string::npos);

  for (const Demo* d : {static_cast<const Demo*>(&demo), &same}) {
    EXPECT_EQ(RunConsoleProgram("restore --yes" + d->options), 0);
    for (const auto& [name, bytes] : original) EXPECT_TRUE(read(d->db, name) == bytes) << name;
    EXPECT_EQ(ReadFile(d->prog + "/LMPR.EXE"), "label tool 10");
    EXPECT_EQ(ReadFile(d->prog + "/LMPR13.EXE"), "label tool 13");
  }
  UnsetEnv("DRUVO_SMTP_RELAY");
}

namespace {

constexpr int kEndedAtRename = 86;
#ifdef _WIN32
constexpr bool kWindows = true;
#else
constexpr bool kWindows = false;
#endif

std::string In(const std::string& root, const char* folder) {
  return (fs::path(root) / folder).string();
}

// A restore on the installation with its program folder and database folder, as the
// console program makes it with --yes; `rename` stands in for the system's, `step` is told
// of every other change.
druvo::RestoreResult RestoreHere(
    const std::string& prog, const std::string& db,
    std::function<sys::RenameResult(const std::string&, const std::string&)> rename = {},
    std::string* log = nullptr, std::function<void(std::string_view)> step = {}) {
  CurrentFolderGuard guard;
  druvo::MemoryView view;
  druvo::MainWindow w(view);
  if (rename) w.services.rename = std::move(rename);
  if (step) w.services.beforeChange = std::move(step);
  w.Load();
  view.SetText(druvo::Control::txtKlantId, "4711");
  view.SetText(druvo::Control::txtExePath, prog);
  view.SetText(druvo::Control::txtDatabasePath, db);
  const druvo::RestoreResult result = druvo::RestoreConversion(w);
  if (log) *log = w.LogViewText();
  return result;
}

}  // namespace

// After a partial repeat the markers hold converted bytes and the originals are set aside:
// restore puts back the state before the first conversion. An entry whose rename is refused
// (its first or its second), or whose record line is damaged, stays as it is, named in an
// ERROR line.
TEST(CheckAndRestore, RestoreAfterAPartialRepeatGivesBackTheOriginalsOrSaysWhyNot) {
  Demo demo;
  const auto original = DataFiles(demo.db);
  SetEnv("DRUVO_SMTP_RELAY", "127.0.0.1:9");
  SetEnv("RCX_CRASH_ON", "QWOUPVOG.DAT");
  EXPECT_EQ(RunConsoleProgram("run --yes" + demo.options), 1);
  UnsetEnv("RCX_CRASH_ON");
  EXPECT_EQ(RunConsoleProgram("run --yes" + demo.options), 1);  // the partial repeat
  UnsetEnv("DRUVO_SMTP_RELAY");
  const auto converted = DataFiles(demo.db);
  ASSERT_EQ(converted.at("QWIMAPD.13_1"), original.at("QWIMAPD.DAT"));
  ASSERT_EQ(converted.at("QWIMAPD.13"), converted.at("QWIMAPD.DAT"));

  // One bit of the first line of QWIMAPD.DAT flipped where it says what the line is about:
  // such a line may have been any entry's. Each entry it taints has two files that can be its
  // original, named in its ERROR line; QWOUPVOG.DAT, whose history began after the damage
  // (its first conversion, with no earlier state of it in the folder), is restored.
  const std::string whole = ReadFile(demo.db + "/DRUVO.REC");
  const std::size_t first = whole.find("F\t13\tQWIMAPD.DAT\t");
  for (const std::size_t at : {first, first + 1, first + 5}) {  // the type letter, a tab, the key
    SCOPED_TRACE("flipped at " + std::to_string(at - first));
    const std::string copy = demo.dir / ("flip-" + std::to_string(at - first));
    for (const auto& e : fs::recursive_directory_iterator(fs::path(demo.root))) {
      const fs::path target = copy / fs::relative(e.path(), demo.root);
      if (e.is_directory()) fs::create_directories(target);
      else if (e.path().filename() != druvo::kLockFileName) fs::copy_file(e.path(), target);
    }
    std::string damaged = whole;
    damaged[at] ^= 1;
    WriteFile(copy + "/DATA/DRUVO.REC", damaged);
    std::string log;
    EXPECT_EQ(RestoreHere(copy + "/QMV", copy + "/DATA", {}, &log), druvo::RestoreResult::kPartly);
    EXPECT_NE(log.find("ERROR: QWIMAPD.DAT is niet teruggezet: welk bestand de toestand van voor de conversie is, "
                       "is niet te bepalen (een regel erover in DRUVO.REC is beschadigd): QWIMAPD.13 of QWIMAPD.13_1"),
              std::string::npos) << log;
    EXPECT_NE(log.find("Teruggezet: 1 bestanden; niet teruggezet: 31."), std::string::npos) << log;
    for (const auto& [name, bytes] : converted)
      EXPECT_TRUE(name.rfind("DRUVO", 0) == 0 || name.rfind("QWOUPVOG", 0) == 0 ||
                  ReadFile(copy + "/DATA/" + name) == bytes) << name;
    EXPECT_EQ(ReadFile(copy + "/DATA/QWOUPVOG.DAT"), original.at("QWOUPVOG.DAT"));
  }

  // The first fingerprint of QWMHMXHM.DAT damaged, its length kept: the line still says whose
  // it is, and only that entry stays as it is.
  std::string record = ReadFile(demo.db + "/DRUVO.REC");
  const auto line = record.find("F\t13\tQWMHMXHM.DAT\t");
  ASSERT_NE(line, std::string::npos);
  record[record.find('\n', line) - 10] ^= 1;
  WriteFile(demo.db + "/DRUVO.REC", record);

  std::string log;
  EXPECT_EQ(RestoreHere(demo.prog, demo.db,
                        [](const std::string& from, const std::string& to) {
                          for (const char* refused : {"\\QWIMAPD.DAT", "\\QWAOMVSQ.13"})
                            if (from.size() > 13 && from.substr(from.size() - std::strlen(refused)) == refused)
                              return sys::RenameResult{sys::RenameStatus::kFailed, "toegang geweigerd"};
                          return sys::RenameNoReplace(from, to);
                        },
                        &log),
            druvo::RestoreResult::kPartly);
  EXPECT_NE(log.find("ERROR: QWIMAPD.DAT is niet teruggezet: QWIMAPD.DAT kan niet worden hernoemd (toegang "
                     "geweigerd); QWIMAPD.DAT blijft staan\r\n"),
            std::string::npos) << log;
  EXPECT_NE(log.find("ERROR: QWAOMVSQ.DAT is niet teruggezet: QWAOMVSQ.13 kan niet worden hernoemd"),
            std::string::npos) << log;
  EXPECT_NE(log.find("ERROR: QWMHMXHM.DAT is niet teruggezet: welk bestand de toestand van voor de conversie is, "
                     "is niet te bepalen (een regel erover in DRUVO.REC is beschadigd): QWMHMXHM.13 of "
                     "QWMHMXHM.13_1"),
            std::string::npos) << log;
  EXPECT_NE(log.find("Teruggezet: 29 bestanden; niet teruggezet: 3."), std::string::npos) << log;
  const auto after = DataFiles(demo.db);
  for (const auto& [name, bytes] : original) {
    const bool left = name == "QWIMAPD.DAT" || name == "QWAOMVSQ.DAT" || name == "QWMHMXHM.DAT";
    ASSERT_TRUE(after.count(name)) << name;
    EXPECT_EQ(after.at(name), left ? converted.at(name) : bytes) << name;
  }
}

// The child of the next test: a restore that ends the process at its k-th step (a rename,
// the journal written or removed, a line of the record written).
TEST(RestoreCrash, ChildRestoreEndedAtARename) {
  DRUVO_CHILD_ONLY();
  const long killAt = std::atol(sys::GetVariable("DRUVO_TEST_KILL_AT").value_or("0").c_str());
  const std::string root = sys::GetVariable("DRUVO_TEST_ROOT").value_or("");
  ASSERT_GT(killAt, 0);
  long steps = 0;
  RestoreHere(
      In(root, "QMV"), In(root, "DATA"),
      [&](const std::string& from, const std::string& to) {
        if (++steps == killAt) std::_Exit(kEndedAtRename);
        return sys::RenameNoReplace(from, to);
      },
      nullptr,
      [&](std::string_view) {
        if (++steps == killAt) std::_Exit(kEndedAtRename);
      });
}

TEST(RestoreCrash, EveryKillPointEndsWithEveryOriginalBack) {
  Demo demo;
  // Every rename is flushed to disk, so each kill point costs the whole plan's flushes:
  // the installation keeps the entries at the ends of both folders and the reference
  // entry, which gives every kind of kill point in a few seconds.
  const std::set<int> kept = {0, 2, 19, 20, 21, 30, 31};
  druvo::FileCatalogue catalogue;
  druvo::LoadFileCatalogue(catalogue);
  for (int i = 0; i < druvo::kCatalogueSize; ++i) {
    if (kept.count(i)) continue;
    const auto path = sys::ResolveExisting(druvo::DataFilePath(catalogue, i, demo.db, ".DAT"));
    ASSERT_TRUE(path && fs::remove(*path)) << i;
  }
  const auto original = DataFiles(demo.db);
  // The run in a process of its own, as at a shop: its lock ends with it.
  SetEnv("DRUVO_SMTP_RELAY", "127.0.0.1:9");
  ASSERT_EQ(RunConsoleProgram("run --yes" + demo.options), 1);
  UnsetEnv("DRUVO_SMTP_RELAY");
  const fs::path converted = demo.root;

  // One copy of the converted installation per kill point, the program folder without the
  // utility, which a restore never starts.
  auto copy = [&](const std::string& name) {
    const fs::path to = fs::path(demo.dir.path()) / name;
    fs::create_directories(to / "QMV");
    // File by file: MinGW's recursive fs::copy is refused a folder, and Wine refuses to copy
    // the lock file, which a restore makes anew anyway.
    for (const auto& e : fs::recursive_directory_iterator(converted / "DATA")) {
      const fs::path target = to / "DATA" / fs::relative(e.path(), converted / "DATA");
      fs::create_directories(e.is_directory() ? target : target.parent_path());
      if (e.is_regular_file() && e.path().filename() != druvo::kLockFileName)
        fs::copy_file(e.path(), target);
    }
    for (const char* file : {"QMV.EXE", "LMPR.EXE", "LMPR10.EXE"})
      fs::copy_file(converted / "QMV" / file, to / "QMV" / file);
    WriteFile((to / "QMV" / "RCX.EXE").string(), "");
    return to.string();
  };
  auto everyOriginalBack = [&](const std::string& root) {
    const auto now = DataFiles(In(root, "DATA"));
    for (const auto& [name, bytes] : original)
      if (!now.count(name) || now.at(name) != bytes) return "not back: " + name;
    if (ReadFile((fs::path(root) / "QMV" / "LMPR13.EXE").string()) != "label tool 13" ||
        ReadFile((fs::path(root) / "QMV" / "LMPR.EXE").string()) != "label tool 10" ||
        Exists((fs::path(root) / "QMV" / "LMPR10.EXE").string()))
      return std::string("label tool not swapped back");
    return std::string();
  };

  // Restored means the record says so too: every entry begins a new history, the label tool
  // is no longer the run's.
  druvo::MemoryView view;
  druvo::MainWindow w(view);
  druvo::LoadFileCatalogue(w.catalogue);
  auto recorded = [&](const std::string& root) {
    const druvo::FileRecord record = druvo::FileRecord::Load(In(root, "DATA"));
    for (int i : kept)
      if (record.Earliest("13", druvo::RecordKey(w.catalogue, i, ".DAT")) || record.Damaged("13", druvo::RecordKey(w.catalogue, i, ".DAT")))
        return "record not restored: " + druvo::RecordKey(w.catalogue, i, ".DAT");
    return std::string(record.LabelToolSwapped("13") ? "label tool still swapped in the record" : "");
  };

  // An uninterrupted restore counts its steps: the journal written, two renames per entry and
  // two of the label tool, a line of the record for each, the journal removed.
  std::vector<std::string> steps;
  const std::string whole = copy("whole");
  ASSERT_EQ(RestoreHere(
                In(whole, "QMV"), In(whole, "DATA"),
                [&](const std::string& from, const std::string& to) {
                  steps.push_back("rename");
                  return sys::RenameNoReplace(from, to);
                },
                nullptr, [&](std::string_view what) { steps.emplace_back(what); }),
            druvo::RestoreResult::kRestored);
  const auto renames = std::count(steps.begin(), steps.end(), "rename");
  ASSERT_EQ(renames, 2 * static_cast<std::ptrdiff_t>(kept.size()) + 2);
  ASSERT_EQ(steps.size(), 3 * kept.size() + 5);
  EXPECT_EQ(everyOriginalBack(whole), "");
  EXPECT_EQ(recorded(whole), "");

  const auto firstNote = std::find(steps.begin(), steps.end(), "record written") - steps.begin() + 1;
  const auto lastNote = std::find(steps.rbegin(), steps.rend(), "record written").base() - steps.begin();
  for (long k = 1; k <= static_cast<long>(steps.size()); ++k) {
    // Under Wine each kill point takes seconds: of the record's lines, the first and the last.
    if (kWindows && steps[k - 1] == "record written" && k != firstNote && k != lastNote) continue;
    SCOPED_TRACE("ended at step " + std::to_string(k) + ", " + steps[k - 1]);
    const std::string root = copy("kill-" + std::to_string(k));
    SetEnv("DRUVO_TEST_ROOT", root);
    SetEnv("DRUVO_TEST_KILL_AT", std::to_string(k));
    const testing_support::AsChild child("RestoreCrash.ChildRestoreEndedAtARename");
    const int rc = RunProgram(sys::ExecutablePath(), child.filter);
    ASSERT_EQ(rc, kEndedAtRename);
    druvo::RenamePlan plan;
    w.sDBPath = In(root, "DATA");
    EXPECT_EQ(druvo::ReadJournal(w.Settings(), plan), k == 1 ? druvo::JournalState::kNone : druvo::JournalState::kComplete);
    // The next restore finishes the plan the crash left and counts what it put back, also
    // when the crash came after the last rename.
    std::string log;
    EXPECT_EQ(RestoreHere(In(root, "QMV"), In(root, "DATA"), {}, &log), druvo::RestoreResult::kRestored);
    if (k > 1) {
      EXPECT_NE(log.find("Onderbroken hernoemplan afgemaakt: " +
                         std::to_string(std::count(steps.begin() + k - 1, steps.end(), "rename"))),
                std::string::npos)
          << log;
    }
    EXPECT_NE(log.find("Teruggezet: " + std::to_string(kept.size()) + " bestanden; niet teruggezet: 0."),
              std::string::npos)
        << log;
    EXPECT_EQ(everyOriginalBack(root), "");
    EXPECT_EQ(recorded(root), "");
    fs::remove_all(root);
  }
  UnsetEnv("DRUVO_TEST_ROOT");
  UnsetEnv("DRUVO_TEST_KILL_AT");
}
