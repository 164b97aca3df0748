#include <gtest/gtest.h>

#include <filesystem>
#include <map>

#include "datafiles/disk_space.h"
#include "datafiles/record.h"
#include "run/conversion_loop.h"
#include "run/earlier_runs.h"
#include "run/start_checks.h"
#include "run_fixture.h"
#include "sys/fs.h"
#include "sys/text.h"

using namespace druvo;
using testing_support::CountEan13;
using testing_support::CountValidIsbn10;
using testing_support::ReadFile;
using testing_support::RunFixture;

namespace fs = std::filesystem;

namespace {

int StatusLinesOfEntries(const MemoryView& v) {
  int n = 0;
  for (const auto& s : v.statusLines) n += s.find(" van 32)") != std::string::npos;
  return n;
}

}  // namespace

TEST(ConversionLoop, ConvertsEveryPresentDataFileOfTheDemo) {
  RunFixture f;
  const std::string before = ReadFile(f.Db("QWIMAPD.DAT"));
  const int valid = CountValidIsbn10(before);
  ASSERT_GT(valid, 100);
  // The run keeps the folders chosen at Start; once it has ended they can be chosen again.
  const Control folderChoice[] = {Control::txtExePath, Control::txtDatabasePath,
                                  Control::btnBrowseProg, Control::btnBrowseData};
  bool choosableDuringRun = false;
  f.view.onEvents = [&] {
    for (Control c : folderChoice) choosableDuringRun = choosableDuringRun || f.view.IsEnabled(c);
  };
  f.Start();
  EXPECT_FALSE(choosableDuringRun);
  for (Control c : folderChoice) EXPECT_TRUE(f.view.IsEnabled(c));

  EXPECT_EQ(f.w.outcome, RunOutcome::kCompleted);
  EXPECT_EQ(CountEan13(ReadFile(f.Db("QWIMAPD.DAT"))), valid);
  EXPECT_EQ(ReadFile(f.Db("QWIMAPD.13")), before);  // the marker holds the earlier state
  EXPECT_TRUE(fs::exists(f.Db("QMVWORK/QWOMISWT.13")));
  EXPECT_TRUE(fs::exists(f.Db("QMVWORK/QWOMISWT.Log")));
  EXPECT_TRUE(fs::exists(f.Db("QWIEAPUA.13")));

  // 32 entries with their status and date lines, in order, numbered from 1.
  EXPECT_EQ(StatusLinesOfEntries(f.view), 32);
  const std::string log = f.w.LogViewText();
  EXPECT_NE(log.find(" Abonnementen (1 van 32)\r\n"), std::string::npos);
  EXPECT_NE(log.find(" Historische inkoopfacturen (32 van 32)\r\n"), std::string::npos);
  EXPECT_LT(log.find("Beschikbare schijfruimte"), log.find("(1 van 32)"));
  EXPECT_TRUE(f.w.tolerantMode);
  // The task-bar progress follows the entries and is cleared at the end.
  ASSERT_EQ(f.view.progress.size(), 33u);
  EXPECT_EQ(f.view.progress[0], std::make_pair(1, 32));
  EXPECT_EQ(f.view.progress[31], std::make_pair(32, 32));
  EXPECT_EQ(f.view.progress[32], std::make_pair(0, 0));
  // The demo holds a few invalid numbers in every file: each reported once, counted.
  EXPECT_GT(f.w.errorCount, 0);
  // Completion leaves the program folder current.
  EXPECT_TRUE(fs::equivalent(sys::CurrentFolder(), f.prog));
}

TEST(ConversionLoop, MissingDataFilesStartNothing) {
  RunFixture f;
  for (auto& e : fs::recursive_directory_iterator(f.db)) {
    if (e.is_regular_file() && e.path().filename() != "TRWMIX.DAT") fs::remove(e.path());
  }
  f.Start();
  EXPECT_EQ(StatusLinesOfEntries(f.view), 32);
  EXPECT_FALSE(f.w.tolerantMode);
  EXPECT_FALSE(fs::exists(f.Db("QWIMAPD.Log")));
  EXPECT_FALSE(fs::exists(f.Db("QMVWORK/QWOMISWT.Log")));
  EXPECT_EQ(f.w.outcome, RunOutcome::kCompleted);
  EXPECT_EQ(f.view.statusLines.back(), " Conversie voltooid...");
}

// Every entry is looked for in its own folder only: a file of its name in the other folder
// is not the entry's, and is neither converted nor counted.
TEST(ConversionLoop, LowerCaseFileAndFileInAnotherEntrysFolder) {
  RunFixture f;
  fs::rename(f.Db("QWIMAPD.DAT"), f.Db("qwimapd.dat"));
  // Entry 31's file moved into the work folder, entry 20's out of it, entry 19's removed.
  fs::rename(f.Db("QWIEAPUA.DAT"), f.Db("QMVWORK/QWIEAPUA.DAT"));
  fs::rename(f.Db("QMVWORK/QWOMISWT.dat"), f.Db("QWOMISWT.dat"));
  fs::remove(f.Db("QWSPWOU.DAT"));
  const std::string moved31 = ReadFile(f.Db("QMVWORK/QWIEAPUA.DAT"));
  const std::string moved20 = ReadFile(f.Db("QWOMISWT.dat"));
  f.view.answers = {Answer::kOk};
  ASSERT_TRUE(StartChecks(f.w));
  ASSERT_EQ(DetectEarlierRuns(f.w), RunDecision::kRun);
  ASSERT_EQ(ConversionLoop(f.w), LoopEnd::kCompleted);
  EXPECT_TRUE(fs::exists(f.Db("QWIMAPD.13")));
  EXPECT_GT(CountEan13(ReadFile(f.Db("qwimapd.dat"))), 100);
  EXPECT_EQ(ReadFile(f.Db("QMVWORK/QWIEAPUA.DAT")), moved31);
  EXPECT_EQ(ReadFile(f.Db("QWOMISWT.dat")), moved20);
  for (const char* none : {"QWIEAPUA.13", "QMVWORK/QWIEAPUA.13", "QWOMISWT.13", "QMVWORK/QWOMISWT.13", "QWSPWOU.Log"})
    EXPECT_FALSE(fs::exists(f.Db(none))) << none;
  EXPECT_NE(f.w.LogViewText().find("Omgezet: 29 van 32 bestanden; niet aanwezig: 3; niet omgezet: 0"),
            std::string::npos)
      << f.w.LogViewText();
  EXPECT_TRUE(fs::equivalent(sys::CurrentFolder(), f.db));
}

TEST(ConversionLoop, TooLittleSpaceAbandonsBeforeTheProbe) {
  RunFixture f;
  f.w.services.queryDiskFree = [](const std::string&, sys::DiskFreeNumbers& n) {
    n.availableBytes = 1024;
    return true;
  };
  f.Start();
  EXPECT_EQ(f.w.outcome, RunOutcome::kAbandoned);
  EXPECT_EQ(StatusLinesOfEntries(f.view), 0);
  EXPECT_TRUE(f.view.progress.empty());
  EXPECT_FALSE(fs::exists(f.Db("rcx.log")));
  EXPECT_FALSE(fs::exists(f.Db("QWIMAPD.13")));
  EXPECT_EQ(f.view.statusLines.back(), " Conversie afgebroken...");
}

// Right before each call the volume must hold the file's marker, its growth and 2 MiB: a file
// it cannot hold is not handed over, and is named in an ERROR line of its own.
TEST(ConversionLoop, AFileTheVolumeCannotHoldIsNotHandedOver) {
  RunFixture f;
  constexpr std::uint64_t kFree = (2u << 20) + 12000;
  f.w.services.queryDiskFree = [](const std::string&, sys::DiskFreeNumbers& n) {
    n.availableBytes = kFree;
    return true;
  };
  std::map<std::string, std::string> big;  // the files a call on them would not fit
  for (const auto& e : fs::recursive_directory_iterator(f.db)) {
    if (e.path().extension() == ".DAT" || e.path().extension() == ".dat") {
      if (BytesNeededForCall(static_cast<std::int64_t>(e.file_size())) > kFree)
        big[e.path().string()] = ReadFile(e.path().string());
    }
  }
  ASSERT_GT(big.size(), 3u);
  ASSERT_LT(big.size(), 30u);
  f.Start();
  const std::string log = f.w.LogViewText();
  for (const auto& [path, bytes] : big) {
    const std::string name = fs::path(path).filename().string();
    if (name == "TRWMIX.DAT") continue;
    const std::string file = text::Upper(name);
    const std::string line = "ERROR: " + file + " is niet omgezet: te weinig schijfruimte (" + std::to_string(kFree / 1024) + " Kb vrij, " +
                             std::to_string((BytesNeededForCall(static_cast<std::int64_t>(bytes.size())) + 1023) / 1024) +
                             " Kb nodig)\r\n";
    EXPECT_NE(log.find(line), std::string::npos) << line;
    EXPECT_EQ(ReadFile(path), bytes);
    EXPECT_FALSE(fs::exists(fs::path(path).replace_extension(".13")));
  }
  EXPECT_NE(fs::exists(f.Db("QWIMAPD.13")), big.count(f.Db("QWIMAPD.DAT")) > 0);
}

TEST(ConversionLoop, ProgramFolderWithBlanksAndTheBatchWrapper) {
  RunFixture f("demo met spaties & co");
  testing_support::SetEnv("RCX_PROBE_ERROR", "3016");
  f.Start();
  testing_support::UnsetEnv("RCX_PROBE_ERROR");
  EXPECT_NE(f.w.LogViewText().find("ERROR: 3016"), std::string::npos);
  EXPECT_EQ(f.w.outcome, RunOutcome::kCompleted);
  EXPECT_TRUE(fs::exists(f.Db("QWIMAPD.13")));
  EXPECT_TRUE(fs::exists(f.Db("QMVWORK/QWOJJPSI.13")));
  EXPECT_GT(CountEan13(ReadFile(f.Db("QWIMAPD.DAT"))), 100);
}

TEST(ConversionLoop, NeverConvertsAFileWhoseMarkerIsStillInPlace) {
  RunFixture f;
  f.Start();
  const std::string converted = ReadFile(f.Db("QWIMAPD.DAT"));
  const std::string marker = ReadFile(f.Db("QWIMAPD.13"));
  // Straight into the loop with the markers in place (as after a repeat whose set-aside
  // failed): the data files and their earlier states stay as they are.
  testing_support::RunFixture g;
  fs::remove(g.Db("QWIMAPD.DAT"));
  fs::copy_file(f.Db("QWIMAPD.DAT"), g.Db("QWIMAPD.DAT"));
  fs::copy_file(f.Db("QWIMAPD.13"), g.Db("QWIMAPD.13"));
  g.view.answers = {Answer::kOk};
  ASSERT_TRUE(StartChecks(g.w));
  EXPECT_EQ(ConversionLoop(g.w), LoopEnd::kCompleted);
  EXPECT_EQ(ReadFile(g.Db("QWIMAPD.DAT")), converted);
  EXPECT_EQ(ReadFile(g.Db("QWIMAPD.13")), marker);
  EXPECT_NE(g.w.LogViewText().find("ERROR: QWIMAPD.DAT is niet omgezet: QWIMAPD.13 staat er nog"),
            std::string::npos);
  EXPECT_TRUE(fs::exists(g.Db("QWAOMVSQ.13")));  // the others are converted
}

// Every utility call is judged by what it left: a marker holding what the file held before.
TEST(ConversionLoop, EveryFileIsAccountedForAfterTheUtilityCall) {
  {
    RunFixture f;
    testing_support::WriteFile(f.Prog("RCX.EXE"), "not a program");
    f.Start();
    const std::string log = f.w.LogViewText();
    EXPECT_NE(log.find("ERROR: QWIMAPD.DAT is niet omgezet: RCX.EXE kon niet worden gestart\r\n"),
              std::string::npos);
    EXPECT_NE(log.find("ERROR: QWOJJPSI.DAT is niet omgezet"), std::string::npos);
    EXPECT_NE(log.find("\r\nOmgezet: 0 van 32 bestanden; niet aanwezig: 0; niet omgezet: 32\r\n"),
              std::string::npos);
    EXPECT_EQ(f.w.errorCount, 32);
    EXPECT_FALSE(fs::exists(f.Db("QWIMAPD.13")));
  }
  {
    // Crashed before it wrote anything, and crashed half-way through the file: never a torn
    // file in the host's place with its marker beside it.
    RunFixture f;
    const std::string original = ReadFile(f.Db("QWMHMXHM.DAT"));
    testing_support::SetEnv("RCX_CRASH_ON", "QWAOMVSQ.DAT");
    testing_support::SetEnv("RCX_CRASH_HALFWAY", "QWMHMXHM.DAT");
    f.Start();
    testing_support::UnsetEnv("RCX_CRASH_ON");
    testing_support::UnsetEnv("RCX_CRASH_HALFWAY");
    const std::string log = f.w.LogViewText();
    EXPECT_NE(log.find("ERROR: QWAOMVSQ.DAT is niet omgezet: RCX.EXE is afgebroken; QWAOMVSQ.DAT is onveranderd\r\n"),
              std::string::npos) << log;
    EXPECT_NE(log.find("ERROR: QWMHMXHM.DAT is niet omgezet: RCX.EXE is afgebroken; QWMHMXHM.13 is teruggezet als "
                       "QWMHMXHM.DAT, het bestand van na de aanroep staat opzij als QWMHMXHM.13_1\r\n"),
              std::string::npos) << log;
    EXPECT_NE(log.find("Omgezet: 30 van 32 bestanden; niet aanwezig: 0; niet omgezet: 2"), std::string::npos);
    EXPECT_EQ(ReadFile(f.Db("QWMHMXHM.DAT")), original);
    EXPECT_FALSE(fs::exists(f.Db("QWMHMXHM.13")));
  }
  {
    // The utility could not write the file and said so by its exit code: not counted
    // converted, not rolled back, and `check` learns it from the record.
    RunFixture f;
    testing_support::SetEnv("RCX_WRITE_FAILS", "QWIMAPD.DAT");
    f.Start();
    testing_support::UnsetEnv("RCX_WRITE_FAILS");
    const std::string log = f.w.LogViewText();
    EXPECT_NE(log.find("ERROR: QWIMAPD.DAT is niet voltooid: RCX.EXE eindigde met code 2; druvo restore zet de "
                       "toestand van voor de conversie terug uit QWIMAPD.13\r\n"),
              std::string::npos) << log;
    EXPECT_NE(log.find("Omgezet: 31 van 32 bestanden; niet aanwezig: 0; niet omgezet: 0; niet voltooid: 1"),
              std::string::npos) << log;
    EXPECT_TRUE(FileRecord::Load(f.db).Unfinished("13", "QWIMAPD.DAT"));
  }
  {
    // A marker torn short: the file's earlier state is not all there.
    RunFixture f;
    testing_support::SetEnv("RCX_TEAR_MARKER", "QWIMAPD.DAT");
    f.Start();
    testing_support::UnsetEnv("RCX_TEAR_MARKER");
    const std::string log = f.w.LogViewText();
    const std::string line = "ERROR: QWIMAPD.DAT is niet omgezet: QWIMAPD.13 is niet de inhoud van voor de conversie (" +
                             std::to_string(fs::file_size(f.Db("QWIMAPD.13"))) + " bytes, verwacht ";
    EXPECT_NE(log.find(line), std::string::npos) << log.substr(0, 2500);
  }
  {
    // The volume ran full during the call (little room while QWIMAPD.13 is there): the file
    // is not counted converted, the marker goes back as the file, the file goes aside.
    RunFixture f;
    const std::string original = ReadFile(f.Db("QWIMAPD.DAT"));
    f.w.services.queryDiskFree = [&](const std::string&, sys::DiskFreeNumbers& n) {
      n.availableBytes = fs::exists(f.Db("QWIMAPD.13")) ? 12 * 1024 : std::uint64_t{1} << 40;
      return true;
    };
    f.Start();
    const std::string log = f.w.LogViewText();
    EXPECT_NE(log.find("ERROR: QWIMAPD.DAT is niet omgezet: de schijf is tijdens de conversie volgelopen (12 Kb "
                       "vrij); QWIMAPD.13 is teruggezet als QWIMAPD.DAT, het bestand van na de aanroep staat "
                       "opzij als QWIMAPD.13_1\r\n"),
              std::string::npos) << log.substr(0, 2500);
    EXPECT_NE(log.find("Omgezet: 31 van 32 bestanden; niet aanwezig: 0; niet omgezet: 1"), std::string::npos) << log;
    EXPECT_EQ(ReadFile(f.Db("QWIMAPD.DAT")), original);
    EXPECT_GT(CountEan13(ReadFile(f.Db("QWIMAPD.13_1"))), 100);
    EXPECT_FALSE(fs::exists(f.Db("DRUVO.JNL")));
  }
}
