// The stand-in utility and the demo installation, run as real processes.
#include <gtest/gtest.h>

#include <filesystem>
#include <string>
#include <vector>

#include "hostsim/demo.h"
#include "hostsim/isbn.h"
#include "model/catalogue.h"
#include "model/main_window.h"
#include "model/memory_view.h"
#include "sys/fs.h"
#include "test_support.h"
#include "tools/log_view.h"
#include "tools/process.h"

using namespace druvo;
using testing_support::CurrentFolderGuard;
using testing_support::Exists;
using testing_support::Program;
using testing_support::ReadFile;
using testing_support::TempDir;
using testing_support::WriteFile;

namespace fs = std::filesystem;

namespace {

std::string FirstField(const std::string& line) { return line.substr(0, line.find(';')); }

int CountErrorLines(const std::string& log) {
  int n = 0;
  for (const auto& l : SplitLines(log)) n += l.rfind("ERROR", 0) == 0;
  return n;
}

struct Utility {
  MemoryView view;
  MainWindow w{view};
  bool Run(const std::string& program, const std::vector<std::string>& args) {
    return ShellandWait(w, w.services, {program, args}, 0);
  }
};

}  // namespace

TEST(StandInUtility, ConvertsLeavesMarkerAndLogAndNeverReplacesAMarker) {
  TempDir dir;
  CurrentFolderGuard guard;
  ASSERT_TRUE(sys::SetCurrentFolder(dir.path()));
  const std::string original =
      "0-306-40615-2;De reis;3\r\n0306406153;Fout;1\r\n080442957X;Het huis;2\r\n";
  WriteFile(dir / "qwimapd.dat", original);  // found whatever the case of its name
  Utility u;

  ASSERT_TRUE(u.Run(Program("rcx"), {"N", "QWIMAPD.DAT", "13"}));
  const std::string converted = ReadFile(dir / "qwimapd.dat");
  EXPECT_EQ(converted, "9780306406157;De reis;3\r\n0306406153;Fout;1\r\n9780804429573;Het huis;2\r\n");
  EXPECT_EQ(ReadFile(dir / "QWIMAPD.13"), original);
  const std::string log = ReadFile(dir / "QWIMAPD.Log");
  EXPECT_NE(log.find("\r\nERROR line 2: 0306406153: wrong check digit\r\n"), std::string::npos) << log;
  EXPECT_EQ(CountErrorLines(log), 1);
  const std::string summary = "Summary: 2 converted, 0 unchanged, 1 errors\r\n";
  ASSERT_GE(log.size(), summary.size());
  EXPECT_EQ(log.substr(log.size() - summary.size()), summary);

  // A second call in the same direction finds the marker: data and marker stay as they are.
  ASSERT_TRUE(u.Run(Program("rcx"), {"N", "QWIMAPD.DAT", "13"}));
  EXPECT_EQ(ReadFile(dir / "qwimapd.dat"), converted);
  EXPECT_EQ(ReadFile(dir / "QWIMAPD.13"), original);
  EXPECT_NE(ReadFile(dir / "QWIMAPD.Log").find("ERROR: marker QWIMAPD.13 exists already"),
            std::string::npos);

  // The other direction has its own marker, holding the converted state.
  ASSERT_TRUE(u.Run(Program("rcx"), {"N", "QWIMAPD.DAT", "10"}));
  EXPECT_EQ(ReadFile(dir / "QWIMAPD.10"), converted);
  EXPECT_EQ(ReadFile(dir / "qwimapd.dat"), "0306406152;De reis;3\r\n0306406153;Fout;1\r\n080442957X;Het huis;2\r\n");

  // A missing data file and a wrong direction are refused in the file's log.
  ASSERT_TRUE(u.Run(Program("rcx"), {"N", "QWAOMVSQ.DAT", "13"}));
  EXPECT_NE(ReadFile(dir / "QWAOMVSQ.Log").find("ERROR: data file QWAOMVSQ.DAT not found"), std::string::npos);
  EXPECT_FALSE(Exists(dir / "QWAOMVSQ.13"));
  ASSERT_TRUE(u.Run(Program("rcx"), {"N", "QWIMAPD.DAT", "12"}));
  EXPECT_NE(ReadFile(dir / "QWIMAPD.Log").find("ERROR: direction must be 13 or 10"), std::string::npos);
  EXPECT_FALSE(Exists(dir / "QWIMAPD.12"));
}

TEST(StandInUtility, ProbeReportsSuccessOrTheErrorAskedFor) {
  TempDir dir;
  CurrentFolderGuard guard;
  ASSERT_TRUE(sys::SetCurrentFolder(dir.path()));
  WriteFile(dir / "QWAOMVSQ.DAT", "0306406152;x\r\n");
  Utility u;

  ASSERT_TRUE(u.Run(Program("rcx"), {"I", "QWAOMVSQ.DAT"}));
  std::string log = ReadFile(dir / "rcx.log");
  EXPECT_NE(log.find("Data file QWAOMVSQ.DAT found\r\n"), std::string::npos) << log;
  EXPECT_EQ(CountErrorLines(log), 0);

  for (const char* code : {"3016", "-1", "20"}) {
    testing_support::SetEnv("RCX_PROBE_ERROR", code);
    ASSERT_TRUE(u.Run(Program("rcx"), {"I", "QWAOMVSQ.DAT"}));
    log = ReadFile(dir / "rcx.log");
    EXPECT_NE(log.find("\r\nERROR: " + std::string(code) + " "), std::string::npos) << log;
  }
  testing_support::UnsetEnv("RCX_PROBE_ERROR");
  // The probe leaves the data file alone.
  EXPECT_EQ(ReadFile(dir / "QWAOMVSQ.DAT"), "0306406152;x\r\n");
  EXPECT_FALSE(Exists(dir / "QWAOMVSQ.13"));
}

TEST(DemoInstallation, IsCompleteAndItsDataIsConvertedByTheStandIn) {
  TempDir dir;
  CurrentFolderGuard guard;
  const std::string root = dir / "demo shop";
  std::string error;
  ASSERT_TRUE(WriteDemoInstallation(root, &error)) << error;
  const std::string prog = root + "\\QMV";
  const std::string db = root + "\\DATA";

  for (const char* name : {"QMV.EXE", "RCX.EXE", "RCXB.BAT", "LMPR.EXE", "LMPR13.EXE"})
    EXPECT_TRUE(sys::IsPresent(prog + "\\" + name)) << name;
  EXPECT_NE(ReadFile(root + "/QMV/LMPR.EXE"), ReadFile(root + "/QMV/LMPR13.EXE"));
  EXPECT_TRUE(sys::IsPresent(db + "\\TRWMIX.DAT"));
  FileCatalogue cat;
  LoadFileCatalogue(cat);
  for (int i = 0; i < kCatalogueSize; ++i) {
    const std::string path = DataFilePath(cat, i, db, ".DAT");
    auto stored = sys::FindPlainFile(path);
    ASSERT_TRUE(stored) << path;
    EXPECT_EQ(*stored, DataFileName(cat, i, ".DAT"));  // ".dat" in QMVWORK, as catalogued
  }

  // Every data file holds a few hundred valid ISBN-10s and a few invalid numbers.
  const std::string before = ReadFile(root + "/DATA/QWAOMVSQ.DAT");
  const auto records = SplitLines(before);
  int valid = 0;
  for (const auto& r : records) valid += hostsim::IsValidIsbn10(hostsim::CompactNumber(FirstField(r)));
  const int invalid = static_cast<int>(records.size()) - valid;
  EXPECT_GE(valid, 100);
  EXPECT_GE(invalid, 1);
  EXPECT_LE(invalid, 5);
  // The same on every call.
  ASSERT_TRUE(WriteDemoInstallation(root, &error)) << error;
  EXPECT_EQ(ReadFile(root + "/DATA/QWAOMVSQ.DAT"), before);

  // The installed stand-in, started directly in the database folder, converts every valid
  // number and leaves every invalid record as it was.
  ASSERT_TRUE(sys::SetCurrentFolder(db));
  Utility u;
  ASSERT_TRUE(u.Run(prog + "\\RCX.exe", {"N", "QWAOMVSQ.DAT", "13"}));
  const auto after = SplitLines(ReadFile(root + "/DATA/QWAOMVSQ.DAT"));
  ASSERT_EQ(after.size(), records.size());
  for (std::size_t i = 0; i < records.size(); ++i) {
    const std::string old = hostsim::CompactNumber(FirstField(records[i]));
    if (hostsim::IsValidIsbn10(old)) {
      const std::string now = FirstField(after[i]);
      EXPECT_TRUE(hostsim::IsValidEan13(now) && now.substr(0, 3) == "978" &&
                  now.substr(3, 9) == old.substr(0, 9))
          << records[i] << " -> " << after[i];
      EXPECT_EQ(after[i].substr(now.size()), records[i].substr(FirstField(records[i]).size()));
    } else {
      EXPECT_EQ(after[i], records[i]);
    }
  }
  EXPECT_EQ(ReadFile(root + "/DATA/QWAOMVSQ.13"), before);
  EXPECT_EQ(CountErrorLines(ReadFile(root + "/DATA/QWAOMVSQ.Log")), invalid);

  // Through the batch wrapper, in the work folder, whose file is stored as ".dat".
  ASSERT_TRUE(sys::SetCurrentFolder(db + "\\QMVWORK"));
  const std::string work = ReadFile(root + "/DATA/QMVWORK/QWOMISWT.dat");
  ASSERT_TRUE(u.Run(prog + "\\RCXB.BAT", {"N", "QWOMISWT.DAT", "13", prog}));
  EXPECT_EQ(ReadFile(root + "/DATA/QMVWORK/QWOMISWT.13"), work);
  const std::string log = ReadFile(root + "/DATA/QMVWORK/QWOMISWT.Log");
  EXPECT_NE(log.find("Summary: "), std::string::npos) << log;
  EXPECT_NE(ReadFile(root + "/DATA/QMVWORK/QWOMISWT.dat"), work);
}
