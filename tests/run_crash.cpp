// Kill-at-every-step test of whole runs, judged by what the host sees afterwards.
//
// A demo installation is converted once. A second Start on it answers Yes to the full
// repeat: it writes its rename plan, sets every converted data file aside, puts every marker
// back, removes the plan, and converts again, recording each file before the utility gets
// it. That second run is ended, in a child process, at every one of those steps in turn
// (at a utility step: while the utility works on its file). After each end, once the lock
// is free, one plain `druvo run --yes` must leave every data file present and equal to the
// uninterrupted run's, and every original byte still on disk. Two runs started together on
// one installation: one refuses with exit code 7, the database equals a single run's.
//
//   run_crash                 the test; ends with "N passed, N failed"
//   run_crash --child PROG DB K   the second run on the installation, ended at step K
//                                 (0: not ended; the steps are then written to DB\..\steps)
#include <algorithm>
#include <atomic>
#include <chrono>
#include <cstdio>
#include <cstdlib>
#include <filesystem>
#include <fstream>
#include <map>
#include <memory>
#include <random>
#include <sstream>
#include <string>
#include <thread>
#include <vector>

#include "model/main_window.h"
#include "model/memory_view.h"
#include "repeat_crash.h"
#include "run/start_command.h"
#include "sys/file_lock.h"
#include "sys/fs.h"
#include "tools/process_platform.h"

namespace {

namespace fs = std::filesystem;
using Files = std::map<std::string, std::string>;  // path below the database folder -> bytes

constexpr int kCrashExitCode = 86;
constexpr char kUtilityStep[] = "utility started";
#ifdef _WIN32
constexpr bool kWindows = true;
#else
constexpr bool kWindows = false;
#endif

void SetEnv(const char* name, const std::string& value) {
#ifdef _WIN32
  _putenv_s(name, value.c_str());
#else
  setenv(name, value.c_str(), 1);
#endif
}

std::string ReadBytes(const fs::path& file) {
  // Not through istreambuf_iterator: a byte at a time, slow in a debug build (a fifth of
  // run_crash's processor time went to it).
  std::string bytes;
  sys::ReadWholeFile(file.string(), bytes);
  return bytes;
}

Files Snapshot(const fs::path& db) {
  Files files;
  for (const auto& e : fs::recursive_directory_iterator(db))
    if (e.is_regular_file()) files[fs::relative(e.path(), db).generic_string()] = ReadBytes(e.path());
  return files;
}

std::string Upper(std::string s) {
  for (char& c : s) c = (c >= 'a' && c <= 'z') ? static_cast<char>(c - 'a' + 'A') : c;
  return s;
}

// The host's data files: "*.DAT" in the database folder and QMVWORK, TRWMIX.DAT aside.
Files HostData(const Files& all) {
  Files data;
  for (const auto& [path, bytes] : all) {
    const std::string up = Upper(path);
    if (up.size() > 4 && up.substr(up.size() - 4) == ".DAT" && up != "TRWMIX.DAT") data[up] = bytes;
  }
  return data;
}

// Runs a program to its end; its exit code, or -1.
int RunProgram(const std::string& program, const std::vector<std::string>& args) {
  auto p = druvo::StartProcess({program, args});
  if (!p) return -1;
  while (p->Query() == druvo::StartedProcess::State::kRunning) p->Pause(50);
  return static_cast<int>(p->ExitCode());
}

// Copies an installation while other workers start programs. Not fs::copy: it holds each
// file open for writing without close-on-exec, so a program started meanwhile keeps that file
// open for writing, and a copied RCX.EXE then cannot be started ("text file busy"). The
// host's programs are only run and renamed, never written: they are linked, not copied (a
// debug build's are some 4 MB an installation, at every kill point).
void CopyTree(const fs::path& from, const fs::path& to) {
  fs::create_directories(to);
  for (const auto& e : fs::recursive_directory_iterator(from)) {
    const fs::path target = to / fs::relative(e.path(), from);
    if (e.is_directory()) {
      fs::create_directories(target);
      continue;
    }
    const std::string ext = Upper(e.path().extension().string());
    std::error_code linked(1, std::generic_category());
    if (ext == ".EXE" || ext == ".BAT") fs::create_hard_link(e.path(), target, linked);
    if (linked) sys::CopyFileReplacing(e.path().string(), target.string());
  }
}

std::string ConsoleProgram() {
  return (fs::path(sys::ExecutablePath()).parent_path() / (kWindows ? "druvo-cli.exe" : "druvo")).string();
}

std::vector<std::string> RunArgs(const fs::path& root) {
  return {"run", "--yes", "--customer", "4711", "--program-folder", (root / "QMV").string(),
          "--database-folder", (root / "DATA").string()};
}

// Waits until no process holds the installation's lock (a utility left running finishes).
bool WaitForLockFree(const fs::path& root, double seconds) {
  const auto end = std::chrono::steady_clock::now() + std::chrono::duration<double>(seconds);
  while (sys::FileLock::IsHeld((root / "DATA" / "DRUVO.LCK").string())) {
    if (std::chrono::steady_clock::now() > end) return false;
    std::this_thread::sleep_for(std::chrono::milliseconds(20));
  }
  return true;
}

int RunChild(const std::vector<std::string>& args) {
  if (args.size() != 4) return 64;
  const long crashAt = std::atol(args[3].c_str());
  std::ofstream steps;
  if (crashAt == 0) steps.open(fs::path(args[2]).parent_path() / "steps");
  druvo::MemoryView view;  // every question answered OK / Yes
  druvo::MainWindow w(view);
  view.SetText(druvo::Control::txtExtensie, "AT");
  w.Load();
  view.SetText(druvo::Control::txtKlantId, "4711");
  view.SetText(druvo::Control::txtExePath, args[1]);
  view.SetText(druvo::Control::txtDatabasePath, args[2]);
  w.services.relay = "127.0.0.1:9";  // the mail goes nowhere

  long step = 0;
  bool utilityRunning = false;
  auto at = [&](const std::string& what) {
    if (steps.is_open()) steps << what << "\n";
    if (++step != crashAt) return;
    if (what != kUtilityStep) std::_Exit(kCrashExitCode);
    // Ended while the utility works: it waits for the test's word before it touches the file,
    // so that it surely still works when the test looks at the lock.
    SetEnv("RCX_WAIT_FOR", (fs::path(args[2]).parent_path() / "go").string());
    utilityRunning = true;
  };
  w.services.rename = [&](const std::string& from, const std::string& to) {
    at("rename");
    return sys::RenameNoReplace(from, to);
  };
  w.services.beforeChange = [&](std::string_view what) { at(std::string(what)); };
  view.onEvents = [&] {
    if (utilityRunning) std::_Exit(kCrashExitCode);
  };
  druvo::ClickStart(w);
  return 0;
}

struct Totals {
  int passed = 0, failed = 0;
  long missing = 0, torn = 0, lost = 0;
};

void Verdict(Totals& t, const std::string& what, const std::vector<std::string>& faults) {
  std::string v = faults.empty() ? "ok" : "FAILED:";
  for (const auto& f : faults) v += " " + f + ";";
  std::printf("  %s: %s\n", what.c_str(), v.c_str());
  std::fflush(stdout);
  faults.empty() ? ++t.passed : ++t.failed;
}

// Every data file of `expected` present with its bytes; every original content somewhere.
void Judge(const Files& now, const Files& expected, const Files& originals, long& missing, long& torn,
           long& lost) {
  const Files data = HostData(now);
  missing = torn = lost = 0;
  for (const auto& [path, bytes] : expected) {
    auto it = data.find(path);
    if (it == data.end()) ++missing;
    else if (it->second != bytes) ++torn;
  }
  std::map<std::string, int> have;
  for (const auto& [path, bytes] : now) ++have[bytes];
  for (const auto& [path, bytes] : originals)
    if (have[bytes]-- <= 0) ++lost;
}

void KillPoints(const fs::path& work, const fs::path& converted, const Files& originals, Totals& t) {
  // The uninterrupted second run: its steps, and the database it leaves.
  const fs::path ref = work / "reference";
  fs::copy(converted, ref, fs::copy_options::recursive);
  const int refCode = repeat_crash::RunSelf({"--child", (ref / "QMV").string(), (ref / "DATA").string(), "0"});
  std::vector<std::string> steps;
  {
    std::ifstream in(ref / "steps");
    for (std::string line; std::getline(in, line);) steps.push_back(line);
  }
  const Files expected = HostData(Snapshot(ref / "DATA"));
  std::printf("uninterrupted repeat: exit %d, %zu steps, %zu data files\n", refCode, steps.size(), expected.size());
  Verdict(t, "uninterrupted repeat", refCode == 0 && steps.size() > 64 && expected.size() == originals.size()
                                         ? std::vector<std::string>{}
                                         : std::vector<std::string>{"no full repeat"});

  // Every step is a kill point. Under Wine a run takes seconds: a sample of every kind.
  // DRUVO_CRASH_STRIDE thins them (the sanitizer build).
  std::size_t thin = 1;
  if (const char* s = std::getenv("DRUVO_CRASH_STRIDE")) thin = std::max<long>(1, std::atol(s));
  auto strideOf = [&](const std::string& kind) -> std::size_t {
    const bool perFile = kind == kUtilityStep || kind == "record written";
    if (kWindows) return kind == "rename" ? 21 : perFile ? 16 : 1;
    return thin;
  };
  std::vector<std::size_t> points;
  std::map<std::string, std::size_t> seen;
  for (std::size_t k = 1; k <= steps.size(); ++k)
    if (seen[steps[k - 1]]++ % strideOf(steps[k - 1]) == 0) points.push_back(k);

  struct Outcome {
    std::vector<std::string> faults;
    long missing = 0, torn = 0, lost = 0;
  };
  std::vector<Outcome> outcomes(points.size());
  // The kill points run side by side on installations of their own: most of their time is
  // spent waiting for the disk.
  std::atomic<std::size_t> next{0};
  auto worker = [&] {
    for (std::size_t i; (i = next++) < points.size();) {
      const std::size_t k = points[i];
      Outcome& o = outcomes[i];
      const fs::path root = work / ("kill-" + std::to_string(k));
      CopyTree(converted, root);
      const int rc = repeat_crash::RunSelf({"--child", (root / "QMV").string(), (root / "DATA").string(), std::to_string(k)});
      if (rc != kCrashExitCode) o.faults.push_back("child exit code " + std::to_string(rc));
      const bool atUtility = steps[k - 1] == kUtilityStep;
      // The utility it left working keeps the lock until it has finished its file.
      if (atUtility && !sys::FileLock::IsHeld((root / "DATA" / "DRUVO.LCK").string()))
        o.faults.push_back("lock not held by the utility left running");
      if (atUtility) std::ofstream(root / "go").put('\n');
      if (!WaitForLockFree(root, 30)) o.faults.push_back("lock still held after 30 s");
      if (atUtility) {
        // Every file the utilities got is whole: converted to the end, its marker beside it.
        const Files now = Snapshot(root / "DATA");
        for (const auto& [path, bytes] : HostData(now)) {
          const std::string marker = path.substr(0, path.size() - 4) + ".13";
          bool hasMarker = false;
          for (const auto& [p, b] : now) hasMarker = hasMarker || Upper(p) == marker;
          if (hasMarker && bytes != expected.at(path)) o.faults.push_back(path + " left half-converted");
        }
      }
      const int restart = RunProgram(ConsoleProgram(), RunArgs(root));
      if (restart != 0 && restart != 1) o.faults.push_back("restart exit code " + std::to_string(restart));
      Judge(Snapshot(root / "DATA"), expected, originals, o.missing, o.torn, o.lost);
      if (o.missing || o.torn || o.lost) {
        o.faults.push_back("host's database differs");
        // What the restart said of the files it did not convert, for whoever reads the failure.
        std::istringstream log(ReadBytes(root / "QMV" / "DRUVO.Log"));
        for (std::string line; std::getline(log, line);)
          if (line.rfind("ERROR: ", 0) == 0 && line.find(" is niet omgezet") != std::string::npos)
            o.faults.push_back("restart: " + line.substr(0, line.find_last_not_of("\r") + 1));
      }
      std::error_code ec;
      fs::remove_all(root, ec);
    }
  };
  std::vector<std::thread> workers;
  for (int i = 0; i < 4; ++i) workers.emplace_back(worker);
  for (auto& th : workers) th.join();

  for (std::size_t i = 0; i < points.size(); ++i) {
    const Outcome& o = outcomes[i];
    t.missing += o.missing;
    t.torn += o.torn;
    t.lost += o.lost;
    Verdict(t, "end at step " + std::to_string(points[i]) + " (" + steps[points[i] - 1] + "), restart: missing " +
                   std::to_string(o.missing) + ", torn " + std::to_string(o.torn) + ", lost " + std::to_string(o.lost),
            o.faults);
  }
  std::printf("kill points: %zu of %zu steps; data files missing %ld, torn %ld, originals lost %ld\n", points.size(),
              steps.size(), t.missing, t.torn, t.lost);
}

// Two runs at once on one installation, in a few trials: each trial's two runs start
// together, the trials side by side. The utility of the run that takes the lock waits for
// the test's word, given once the other run has ended: the run lasts as long as the other's
// wait for the lock, however long that is.
struct Trial {
  fs::path root;
  std::unique_ptr<druvo::StartedProcess> a, b;
};

struct TrialOutcome {
  std::string what;
  std::vector<std::string> faults;
};

std::vector<Trial> StartTwoAtOnce(const fs::path& work, const fs::path& fresh) {
  std::vector<Trial> trials(kWindows ? 2 : 4);
  for (std::size_t i = 0; i < trials.size(); ++i) {
    Trial& trial = trials[i];
    trial.root = work / ("twice-" + std::to_string(i + 1));
    fs::copy(fresh, trial.root, fs::copy_options::recursive);
    SetEnv("RCX_WAIT_FOR", (trial.root / "go").string());
    trial.a = druvo::StartProcess({ConsoleProgram(), RunArgs(trial.root)});
    trial.b = druvo::StartProcess({ConsoleProgram(), RunArgs(trial.root)});
  }
  SetEnv("RCX_WAIT_FOR", "");
  return trials;
}

// One refused with exit code 7, the other converted: the database equals a single run's.
std::vector<TrialOutcome> FinishTwoAtOnce(std::vector<Trial>& trials, const Files& single) {
  std::vector<TrialOutcome> outcomes;
  for (std::size_t i = 0; i < trials.size(); ++i) {
    Trial& trial = trials[i];
    std::vector<std::string> faults;
    int codes[2] = {-1, -1};
    if (!trial.a || !trial.b) {
      faults.push_back("not started");
    } else {
      const auto running = [](druvo::StartedProcess& p) { return p.Query() == druvo::StartedProcess::State::kRunning; };
      const auto end = std::chrono::steady_clock::now() + std::chrono::seconds(60);
      while (running(*trial.a) && running(*trial.b) && std::chrono::steady_clock::now() < end) trial.a->Pause(20);
      std::ofstream(trial.root / "go").put('\n');
      for (auto* p : {trial.a.get(), trial.b.get()})
        while (running(*p)) p->Pause(50);
      codes[0] = static_cast<int>(trial.a->ExitCode());
      codes[1] = static_cast<int>(trial.b->ExitCode());
    }
    const bool oneRefused = (codes[0] == 7) != (codes[1] == 7);
    const int other = codes[0] == 7 ? codes[1] : codes[0];
    if (!oneRefused || (other != 0 && other != 1)) faults.push_back("exit codes");
    WaitForLockFree(trial.root, 30);
    long missing, torn, lost;
    Judge(Snapshot(trial.root / "DATA"), single, {}, missing, torn, lost);
    if (missing || torn) faults.push_back("database differs from a single run's");
    outcomes.push_back({"two runs at once, trial " + std::to_string(i + 1) + ": exit codes " +
                            std::to_string(codes[0]) + " and " + std::to_string(codes[1]),
                        faults});
    std::error_code ec;
    fs::remove_all(trial.root, ec);
  }
  return outcomes;
}

}  // namespace

int main(int argc, char** argv) {
  const std::vector<std::string> args = repeat_crash::Arguments(argc, argv);
  if (!args.empty() && args[0] == "--child") return RunChild(args);

  std::random_device rd;
  const fs::path work = fs::temp_directory_path() / ("druvo-run-crash-" + std::to_string(rd()));
  fs::create_directories(work);
  SetEnv("DRUVO_SMTP_RELAY", "127.0.0.1:9");
  Totals t;

  const fs::path fresh = work / "fresh";
  const fs::path converted = work / "converted";
  const int demo = RunProgram(ConsoleProgram(), {"demo", fresh.string()});
  fs::copy(fresh, converted, fs::copy_options::recursive);
  const int first = RunProgram(ConsoleProgram(), RunArgs(converted));
  // Under Wine the console started for a utility call inherits the run's lock and ends a
  // moment after the utility: the installation is copied once the lock is free, as a new
  // run would wait for it.
  const bool freed = WaitForLockFree(converted, 30);
  const Files originals = HostData(Snapshot(fresh / "DATA"));
  const Files single = HostData(Snapshot(converted / "DATA"));
  Verdict(t, "demo written and converted once (exit " + std::to_string(first) + ")",
          demo == 0 && (first == 0 || first == 1) && freed && single != originals
              ? std::vector<std::string>{}
              : std::vector<std::string>{"setup"});
  if (t.failed == 0) {
    // The two runs at once go on beside the kill points (the lock's wait is idle time); they
    // are started first, while no other program is being started with this environment.
    std::vector<Trial> trials = StartTwoAtOnce(work, fresh);
    std::vector<TrialOutcome> twice;
    std::thread finishing([&] { twice = FinishTwoAtOnce(trials, single); });
    KillPoints(work, converted, originals, t);
    finishing.join();
    for (const TrialOutcome& o : twice) Verdict(t, o.what, o.faults);
  }

  std::error_code ec;
  fs::remove_all(work, ec);
  std::printf("%d passed, %d failed\n", t.passed, t.failed);
  std::fflush(stdout);
  return t.failed == 0 ? 0 : 1;
}
