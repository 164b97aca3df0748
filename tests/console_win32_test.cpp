// The console program under Windows, started as a process: a data file the host still holds
// open, a marker another program holds while a repeat starts, folders longer than the
// system's own path limit.
#include <gtest/gtest.h>

#include <cctype>
#include <chrono>
#include <cstdio>
#include <filesystem>
#include <map>
#include <string>

#include "datafiles/run_lock.h"
#include "sys/fs.h"
#include "test_support.h"
#include "tools/process_platform.h"

using namespace testing_support;
namespace fs = std::filesystem;

namespace {

// Relative path -> bytes of every file below a folder but the run's lock file, which a Start
// makes before its checks of the files.
std::map<std::string, std::string> Files(const std::string& root) {
  std::map<std::string, std::string> files;
  for (const auto& e : fs::recursive_directory_iterator(fs::path(root)))
    if (e.is_regular_file() && e.path().filename() != druvo::kLockFileName)
      files[fs::relative(e.path(), root).generic_string()] = ReadFile(e.path().string());
  return files;
}

// The data files, markers and set-aside files below a folder, by their upper-case relative
// path ("QMVWORK/QWOMISWT.DAT" -> bytes).
std::map<std::string, std::string> DataAndMarkers(const std::string& root) {
  std::map<std::string, std::string> files;
  for (const auto& [name, bytes] : Files(root)) {
    std::string upper = name;
    for (char& c : upper) c = static_cast<char>(std::toupper(static_cast<unsigned char>(c)));
    const std::string ext = fs::path(upper).extension().string();
    if (ext == ".DAT" || ext == ".13" || ext == ".13_1") files[upper] = bytes;
  }
  return files;
}

struct HeldRepeat {
  int first = -1, code = -1;  // the exit codes of the conversion and of the repeat
  std::string out;
  double seconds = 0;  // the repeat's run, start to end
  std::map<std::string, std::string> before, after;
};

// Converts a demo installation of two data files, then starts a repeat while another program
// holds the marker QWIMAPD.13 for `holdMs`; the hold ends with the test's run at the latest.
HeldRepeat RepeatWithMarkerHeld(const TempDir& dir, int holdMs) {
  HeldRepeat r;
  const std::string root = dir / "demo", prog = root + "\\QMV", db = root + "\\DATA";
  const std::string ready = dir / "held", out = dir / "out.txt";
  const std::string run =
      "run --yes --customer 1 --program-folder " + Quote(prog) + " --database-folder " + Quote(db);
  SetEnv("DRUVO_SMTP_RELAY", "127.0.0.1:9");
  EXPECT_EQ(RunConsoleProgram("demo " + Quote(root)), 0);
  for (const auto& e : fs::recursive_directory_iterator(fs::path(db))) {
    const std::string name = e.path().filename().string();
    if (e.is_regular_file() && name != "TRWMIX.DAT" && name != "QWIMAPD.DAT" &&
        name != "QWIEAPUA.DAT")
      fs::remove(e.path());
  }
  r.first = RunConsoleProgram(run);
  r.before = DataAndMarkers(root);
  EXPECT_EQ(r.before.count("DATA/QWIMAPD.13"), 1u) << "the conversion left no marker";
  auto holder = druvo::StartProcess(
      {prog + "\\QMV.EXE", {"--hold", db + "\\QWIMAPD.13", std::to_string(holdMs), ready}});
  EXPECT_TRUE(holder);
  for (int i = 0; holder && i < 200 && !Exists(ready); ++i) holder->Pause(50);
  EXPECT_TRUE(Exists(ready)) << "QMV.EXE does not hold the marker";
  const auto t0 = std::chrono::steady_clock::now();
  r.code = RunConsoleProgram(run, out);
  r.seconds = std::chrono::duration<double>(std::chrono::steady_clock::now() - t0).count();
  std::printf("repeat with QWIMAPD.13 held for %d ms: %.1f s\n", holdMs, r.seconds);
  fs::remove(ready);  // QMV.EXE lets go
  while (holder && holder->Query() == druvo::StartedProcess::State::kRunning) holder->Pause(50);
  UnsetEnv("DRUVO_SMTP_RELAY");
  r.out = ReadFile(out);
  r.after = DataAndMarkers(root);
  return r;
}

// What a repeat leaves of DataAndMarkers' files: each entry's converted data file set aside
// as its first set-aside file, and converted anew from its marker to the same bytes. The
// entry `skipped` keeps its files as they were.
std::map<std::string, std::string> AfterRepeat(const std::map<std::string, std::string>& before,
                                               const std::string& skipped) {
  auto after = before;
  for (const auto& [name, bytes] : before) {
    const std::string base = name.substr(0, name.size() - 4);
    if (name.ends_with(".DAT") && base != skipped && before.count(base + ".13"))
      after[base + ".13_1"] = bytes;
  }
  return after;
}

// The names whose files differ between two listings, for a failure message.
std::string Differences(const std::map<std::string, std::string>& got,
                        const std::map<std::string, std::string>& want) {
  std::string names;
  for (const auto& [name, bytes] : want)
    if (!got.count(name) || got.at(name) != bytes) names += " " + name;
  for (const auto& [name, bytes] : got)
    if (!want.count(name)) names += " +" + name;
  return names;
}

}  // namespace

// QMV.EXE still holds a data file open: the Start is refused before anything is touched, and
// the message names the file.
TEST(ConsoleWin32, DataFileHeldByTheHostRefusesTheStart) {
  TempDir dir;
  const std::string root = dir / "demo";
  ASSERT_EQ(RunConsoleProgram("demo " + Quote(root)), 0);
  const std::string prog = root + "\\QMV", db = root + "\\DATA", ready = dir / "held";
  const auto before = Files(root);
  auto host =
      druvo::StartProcess({prog + "\\QMV.EXE", {"--hold", db + "\\QWIMAPD.DAT", "60000", ready}});
  ASSERT_TRUE(host);
  for (int i = 0; i < 200 && !Exists(ready); ++i) host->Pause(50);
  ASSERT_TRUE(Exists(ready)) << "QMV.EXE does not hold the file";

  const std::string err = dir / "err.txt";
  EXPECT_EQ(RunConsoleProgram("run --yes --customer 1 --program-folder " + Quote(prog) +
                                  " --database-folder " + Quote(db),
                              "", err),
            2);
  EXPECT_NE(ReadFile(err).find("QWIMAPD.DAT is in gebruik door een ander programma. Sluit QMV af "
                               "en druk opnieuw op Start."),
            std::string::npos)
      << ReadFile(err);
  fs::remove(ready);  // QMV.EXE lets go
  for (int i = 0; i < 100 && host->Query() == druvo::StartedProcess::State::kRunning; ++i)
    host->Pause(50);
  EXPECT_EQ(host->Query(), druvo::StartedProcess::State::kEnded);
  EXPECT_TRUE(Files(root) == before) << "the installation changed";
}

// A marker held for a moment while a repeat starts (a virus scanner, a backup agent) is read
// once it is let go: the entry is converted as if it had not been held.
TEST(ConsoleWin32, MarkerHeldAMomentWhileARepeatStartsIsConverted) {
  TempDir dir;
  const HeldRepeat r = RepeatWithMarkerHeld(dir, 3000);
  EXPECT_EQ(r.code, r.first);
  EXPECT_EQ(r.out.find("QWIMAPD.13 wordt niet"), std::string::npos) << r.out;
  EXPECT_EQ(Differences(r.after, AfterRepeat(r.before, "")), "")
      << "not converted anew as expected";
}

// A marker held longer than the file layer waits is not read: its entry is an ERROR line, its
// data file and marker are as they were, and the other entries are converted.
TEST(ConsoleWin32, MarkerHeldThroughoutARepeatIsAnErrorAndEveryFileStaysWhole) {
  TempDir dir;
  const HeldRepeat r = RepeatWithMarkerHeld(dir, 60000);
  EXPECT_EQ(r.code, 1);
  EXPECT_NE(
      r.out.find("ERROR: QWIMAPD.DAT is niet omgezet: QWIMAPD.13 wordt niet teruggezet, het is "
                 "niet de inhoud van QWIMAPD.DAT van voor de conversie (niet te lezen); "
                 "QWIMAPD.DAT blijft staan"),
      std::string::npos)
      << r.out;
  EXPECT_EQ(Differences(r.after, AfterRepeat(r.before, "DATA/QWIMAPD")), "")
      << "a data file or marker is not as it was, or another entry was not converted anew";
}

// A program folder of 300 characters (a database folder of 301, its work folder of 309): the
// run makes them current and starts the utility from there. Every run must end as a run
// ends, with its exit code and its run log, however often it is tried.
TEST(ConsoleWin32, ProgramFolderOf300CharactersRunsToItsEnd) {
  TempDir dir;
  const std::string outer = dir.path() + "\\" + std::string(120, 'a');
  ASSERT_TRUE(sys::MakeFolder(outer));
  SetEnv("DRUVO_SMTP_RELAY", "127.0.0.1:9");
  for (char run : {'1', '2', '3'}) {
    // A fresh installation each time, at a path of the same length.
    std::string root = outer + "\\";
    root += std::string(300 - root.size() - 5, 'b') + run;
    const std::string prog = root + "\\QMV";
    ASSERT_EQ(prog.size(), 300u);
    ASSERT_EQ(RunConsoleProgram("demo " + Quote(root)), 0);
    const std::string out = dir / "out.txt", err = dir / "err.txt";
    const int code = RunConsoleProgram("run --yes --customer 1 --program-folder " + Quote(prog) +
                                           " --database-folder " + Quote(root + "\\DATA"),
                                       out, err);
    EXPECT_EQ(code, 1) << "run " << run << ", stderr:\n" << ReadFile(err);
    const std::string log = ReadFile(prog + "\\DRUVO.Log");
    EXPECT_NE(log.find("Conversie voltooid"), std::string::npos) << "run " << run << ": " << log;
  }
  UnsetEnv("DRUVO_SMTP_RELAY");
  // The C runtime's removal of the temporary folder stops at MAX_PATH: shorten the paths first.
  EXPECT_TRUE(sys::RenameNoReplace(outer, dir / "a").ok());
}
