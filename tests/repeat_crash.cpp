// Kill-at-every-step test of the repeat preparation. For the full and the partial repeat
// it builds a database folder with converted, half-converted and set-aside files, counts
// the renames an uninterrupted preparation makes, and then for every rename k runs the
// preparation in a child process that ends itself just before rename k, through the
// rename service it hands the preparation.
// After each crash it checks that every file's bytes are still there under some name,
// that no set-aside file was overwritten, and that the preparation run again to its end
// leaves the same contents in every folder as an uninterrupted one.
//
//   repeat_crash                          the test; ends with "N passed, N failed"
//   repeat_crash --child full|partial DIR K   one preparation on DIR, ended before rename K
//                                             (0: not ended)
#include <cstdint>
#include <cstdio>
#include <cstdlib>
#include <filesystem>
#include <fstream>
#include <functional>
#include <map>
#include <random>
#include <string>
#include <vector>

#include "datafiles/journal.h"
#include "datafiles/markers.h"
#include "datafiles/record.h"
#include "model/catalogue.h"
#include "model/main_window.h"
#include "model/memory_view.h"
#include "repeat_crash.h"
#include "sys/fs.h"

namespace {

namespace fs = std::filesystem;
using druvo::MainWindow;

constexpr char kDigits[] = "13";
constexpr char kSuffix[] = ".DAT";
constexpr int kCrashExitCode = 86;  // what the child ends itself with

enum class Mode { kFull, kPartial };

const char* Name(Mode m) { return m == Mode::kFull ? "full" : "partial"; }

// Relative path ("/" between parts) -> bytes.
using Files = std::map<std::string, std::string>;

// The database folder before the preparation: every case of an entry, in both folders.
// The reference entry QWMHMXHM has its _1 taken, so the set-aside number is 2.
struct FixtureFile {
  const char* path;
  std::size_t size;
};
const FixtureFile kFixture[] = {
    {"TRWMIX.DAT", 300},
    {"QWIMAPD.DAT", 70000},  // converted
    {"QWIMAPD.13", 69000},
    {"QWIMAPD.Log", 200},
    {"QWAOMVSQ.DAT", 5000},  // converted, an older set-aside beside it
    {"QWAOMVSQ.13", 5000},
    {"QWAOMVSQ.13_1", 4900},
    {"QWMHMXHM.DAT", 12000},  // the reference entry, converted
    {"QWMHMXHM.13", 11000},
    {"QWMHMXHM.13_1", 10500},
    {"QWAXUIJG.13", 800},     // half-converted: the marker without its data file
    {"QWOUPVOG.DAT", 900},    // not converted
    {"QWGOZZAH.DAT", 1500},   // converted, but the set-aside name of number 2 is taken
    {"QWGOZZAH.13", 1400},
    {"QWGOZZAH.13_2", 1300},
    {"QZZOGEA.DAT", 2000},    // converted the other way
    {"QZZOGEA.10", 2100},
    {"QZEXV.DAT", 0},         // converted both ways, an empty data file
    {"QZEXV.13", 10},
    {"QZEXV.10", 20},
    {"qzaemak.dat", 3000},    // lower case on disk
    {"qzaemak.13", 3100},
    {"QZPVUUQ.DAT", 4000},    // converted, older set-aside _1
    {"QZPVUUQ.13", 4100},
    {"QZPVUUQ.13_1", 4200},
    {"QZJWQMZ.DAT", 600},
    {"QZJWQMZ.13", 650},
    {"QZDAJHE.DAT", 700},
    {"QZDAJHE.13", 750},
    {"QZVZVWI.13", 760},      // half-converted
    {"QWIEAPUA.DAT", 9000},   // entry 31, back in the database folder
    {"QWIEAPUA.13", 9100},
    {"QMVWORK/QWOMISWT.DAT", 8000},  // converted
    {"QMVWORK/QWOMISWT.13", 7900},
    {"QMVWORK/QWOMISWT.Log", 100},
    {"QMVWORK/QWEPIQXZ.13", 1000},   // half-converted
    {"QMVWORK/QWJHLIWW.DAT", 1100},  // not converted
    {"QMVWORK/QWJTVOWQ.DAT", 1200},  // set-aside name of number 2 taken
    {"QMVWORK/QWJTVOWQ.13", 1250},
    {"QMVWORK/QWJTVOWQ.13_2", 1260},
    {"QMVWORK/QWROXDVT.DAT", 1300},  // converted the other way
    {"QMVWORK/QWROXDVT.10", 1350},
    {"QMVWORK/QWJKKZSH.DAT", 1400},  // converted, older set-aside _1
    {"QMVWORK/QWJKKZSH.13", 1450},
    {"QMVWORK/QWJKKZSH.13_1", 1500},
    {"QMVWORK/QWOJJPSI.DAT", 1600},  // entry 30, converted
    {"QMVWORK/QWOJJPSI.13", 1650},
};

// Bytes of their own for every file: its path, then bytes from a generator seeded by it.
std::string Content(const std::string& path, std::size_t size) {
  std::string bytes = (path + "\n").substr(0, size);
  std::seed_seq seed(path.begin(), path.end());
  std::mt19937 gen(seed);
  while (bytes.size() < size) bytes.push_back(static_cast<char>(gen() & 0xFF));
  return bytes;
}

bool WriteBytes(const fs::path& file, const std::string& bytes) {
  fs::create_directories(file.parent_path());
  std::ofstream out(file, std::ios::binary | std::ios::trunc);
  out.write(bytes.data(), static_cast<std::streamsize>(bytes.size()));
  return out.good();
}

std::string ReadBytes(const fs::path& file) {
  // Not through istreambuf_iterator: a byte at a time, slow in a debug build (a fifth of
  // run_crash's processor time went to it).
  std::string bytes;
  sys::ReadWholeFile(file.string(), bytes);
  return bytes;
}

std::string UpperAscii(std::string s) {
  for (char& c : s) c = (c >= 'a' && c <= 'z') ? static_cast<char>(c - 'a' + 'A') : c;
  return s;
}

// Every marker of "13" is vouched for by the record, as the run that left it would have.
Files BuildFixture(const fs::path& root) {
  Files files;
  fs::create_directories(root / "QMVWORK");
  for (const auto& f : kFixture) {
    files[f.path] = Content(f.path, f.size);
    if (!WriteBytes(root / fs::path(f.path), files[f.path])) std::printf("cannot write %s\n", f.path);
    const std::string path = f.path;
    if (path.size() > 3 && path.compare(path.size() - 3, 3, ".13") == 0) {
      std::string key = UpperAscii(path.substr(0, path.size() - 3)) + kSuffix;
      if (key.rfind("QMVWORK/", 0) == 0) key.replace(7, 1, "\\");
      druvo::Fingerprint fp{static_cast<std::int64_t>(f.size), druvo::Crc32c(0, files[f.path])};
      if (!druvo::AppendRecord(root.string(), kDigits, key, fp)) std::printf("cannot record %s\n", f.path);
    }
  }
  return files;
}

// The host's files only: the run's own journal, record and lock file are left out.
Files Snapshot(const fs::path& root) {
  Files files;
  for (const auto& e : fs::recursive_directory_iterator(root)) {
    const std::string rel = fs::relative(e.path(), root).generic_string();
    if (e.is_regular_file() && rel.rfind("DRUVO.", 0) != 0) files[rel] = ReadBytes(e.path());
  }
  return files;
}

void Prepare(Mode mode, MainWindow& w) {
  if (mode == Mode::kFull) druvo::PrepareFullRepeat(w.Settings(), w, w.services, kSuffix, kDigits);
  else druvo::PreparePartialRepeat(w.Settings(), w, w.services, kSuffix, kDigits);
}

// One preparation in this process, as the Start command calls it: the database folder
// current. Returns the log view's text (lines only for refused renames).
using RenameFn = std::function<sys::RenameResult(const std::string&, const std::string&)>;
std::string RunHere(Mode mode, const fs::path& db, const RenameFn& rename = {}) {
  druvo::MemoryView view;
  MainWindow w(view);
  w.sDBPath = db.string();
  druvo::LoadFileCatalogue(w.catalogue);
  w.dataFileSuffix = kSuffix;
  if (rename) w.services.rename = rename;
  sys::SetCurrentFolder(w.sDBPath);
  Prepare(mode, w);
  // Leaves the folder, so that it can be removed (Windows keeps the current folder open).
  sys::SetCurrentFolder(db.parent_path().string());
  return w.LogViewText();
}

// What the next Start does first on what a crash left: finishes the interrupted plan.
std::string FinishHere(const fs::path& db) {
  druvo::MemoryView view;
  MainWindow w(view);
  w.sDBPath = db.string();
  druvo::LoadFileCatalogue(w.catalogue);
  const druvo::FinishResult r = druvo::FinishUnfinishedPlan(w.Settings(), w, w.services);
  sys::SetCurrentFolder(db.parent_path().string());
  return r.ok ? w.LogViewText() : "not finished: " + r.why;
}

int RunChild(const std::vector<std::string>& args) {
  if (args.size() != 4) return 64;
  druvo::MemoryView view;
  MainWindow w(view);
  const long crashAt = std::atol(args[3].c_str());
  w.services.rename = [crashAt, renames = 0L](const std::string& from, const std::string& to) mutable {
    if (++renames == crashAt) std::_Exit(kCrashExitCode);
    return sys::RenameNoReplace(from, to);
  };
  w.sDBPath = args[2];
  druvo::LoadFileCatalogue(w.catalogue);
  w.dataFileSuffix = kSuffix;
  sys::SetCurrentFolder(w.sDBPath);
  Prepare(args[1] == "full" ? Mode::kFull : Mode::kPartial, w);
  return 0;
}

// A rename of the uninterrupted preparation, as paths relative to the database folder.
struct Rename {
  std::string from, to;
};

std::string Relative(const fs::path& db, const std::string& path) {
  std::string rel = path.substr(db.string().size() + 1);
  for (char& c : rel) c = c == '\\' ? '/' : c;
  return rel;
}

// The state after the first `count` renames of the uninterrupted preparation: what a crash
// just before rename count + 1 must leave. Source names are matched without regard to case,
// as the file system matches them.
Files StateAfterRenames(const Files& original, const std::vector<Rename>& renames, std::size_t count) {
  Files state = original;
  for (std::size_t i = 0; i < count; ++i) {
    auto it = state.begin();
    while (it != state.end() && UpperAscii(it->first) != UpperAscii(renames[i].from)) ++it;
    if (it == state.end()) return {};
    std::string bytes = it->second;
    state.erase(it);
    state[renames[i].to] = bytes;
  }
  return state;
}

std::map<std::string, int> ContentCounts(const Files& files) {
  std::map<std::string, int> counts;
  for (const auto& [path, bytes] : files) ++counts[bytes];
  return counts;
}

// Folder ("" or "QMVWORK") -> how often each content is found in it.
std::map<std::string, std::map<std::string, int>> ContentsPerFolder(const Files& files) {
  std::map<std::string, std::map<std::string, int>> folders;
  for (const auto& [path, bytes] : files) ++folders[fs::path(path).parent_path().generic_string()][bytes];
  return folders;
}

struct Loss {
  long files = 0;
  long long bytes = 0;
};

// Contents of `before` that `after` no longer holds under any name.
Loss Lost(const Files& before, const Files& after) {
  Loss loss;
  auto have = ContentCounts(after);
  for (const auto& [bytes, count] : ContentCounts(before)) {
    int missing = count - have[bytes];
    if (missing > 0) {
      loss.files += missing;
      loss.bytes += static_cast<long long>(missing) * static_cast<long long>(bytes.size());
    }
  }
  return loss;
}

// Set-aside files of `before` (names ending in _<number>) that no longer hold their own
// bytes under their own name.
long SetAsideOverwritten(const Files& before, const Files& after) {
  long n = 0;
  for (const auto& [path, bytes] : before) {
    auto underscore = path.rfind('_');
    if (underscore == std::string::npos || path.find_first_not_of("0123456789", underscore + 1) != std::string::npos)
      continue;
    auto it = after.find(path);
    if (it == after.end() || it->second != bytes) ++n;
  }
  return n;
}

// Names under which the two states hold different bytes (or only one holds a file).
long NamesDiffering(const Files& a, const Files& b) {
  long n = 0;
  for (const auto& [path, bytes] : a) {
    auto it = b.find(path);
    if (it == b.end() || it->second != bytes) ++n;
  }
  for (const auto& [path, bytes] : b) n += a.count(path) ? 0 : 1;
  return n;
}

struct Totals {
  int passed = 0;
  int failed = 0;
  long crashPoints = 0;
  Loss lost;
  long overwritten = 0;
};

void RunMode(Mode mode, const fs::path& work, Totals& totals) {
  const fs::path freshRoot = work / (std::string(Name(mode)) + "-fresh");
  const Files original = BuildFixture(freshRoot);
  std::vector<Rename> sequence;
  const std::string freshLog = RunHere(mode, freshRoot, [&](const std::string& from, const std::string& to) {
    sys::RenameResult r = sys::RenameNoReplace(from, to);
    if (r.ok()) sequence.push_back({Relative(freshRoot, from), Relative(freshRoot, to)});
    else sequence.push_back({"(refused) " + from, to});
    return r;
  });
  const long renames = static_cast<long>(sequence.size());
  const Files fresh = Snapshot(freshRoot);
  fs::remove_all(freshRoot);

  std::printf("%s repeat: %zu files, %lld bytes; an uninterrupted preparation makes %ld renames\n",
              Name(mode), original.size(),
              [&] {
                long long b = 0;
                for (const auto& [p, bytes] : original) b += static_cast<long long>(bytes.size());
                return b;
              }(),
              renames);
  {
    // The uninterrupted run itself: nothing lost, nothing overwritten, every file in its
    // own folder, no refused rename reported.
    Loss l = Lost(original, fresh);
    bool ok = renames > 0 && l.files == 0 && SetAsideOverwritten(original, fresh) == 0 &&
              ContentsPerFolder(fresh) == ContentsPerFolder(original) && freshLog.empty();
    std::printf("  uninterrupted: %s\n", ok ? "ok" : "FAILED");
    ok ? ++totals.passed : ++totals.failed;
  }

  Loss modeLost;
  long modeOverwritten = 0;
  // Crash points 1..renames; renames + 1 is the run that must reach its end in the child.
  for (long k = 1; k <= renames + 1; ++k) {
    const bool crashes = k <= renames;
    const fs::path root = work / (std::string(Name(mode)) + "-" + std::to_string(k));
    BuildFixture(root);
    const int rc = repeat_crash::RunSelf({"--child", Name(mode), root.string(), std::to_string(crashes ? k : 0)});
    const Files crashed = Snapshot(root);
    const Files expected = StateAfterRenames(original, sequence, static_cast<std::size_t>(k - 1));

    std::vector<std::string> faults;
    if (rc != (crashes ? kCrashExitCode : 0)) faults.push_back("child exit code " + std::to_string(rc));
    if (crashed != expected) faults.push_back("state is not that of the first renames");
    const Loss lost = Lost(original, crashed);
    const long overwritten = SetAsideOverwritten(original, crashed);
    if (lost.files != 0) faults.push_back("files lost");
    if (overwritten != 0) faults.push_back("set-aside files overwritten");
    if (crashed.size() != original.size()) faults.push_back("number of files changed");
    if (ContentsPerFolder(crashed) != ContentsPerFolder(original)) faults.push_back("contents moved between folders");

    // The next Start on what the crash left finishes the interrupted plan first.
    const std::string log = FinishHere(root);
    const Files repeated = Snapshot(root);
    const Loss lostAfter = Lost(original, repeated);
    const long overwrittenAfter = SetAsideOverwritten(original, repeated);
    if (lostAfter.files != 0) faults.push_back("files lost by the clean repeat");
    if (overwrittenAfter != 0) faults.push_back("set-aside files overwritten by the clean repeat");
    if (ContentsPerFolder(repeated) != ContentsPerFolder(fresh)) faults.push_back("contents differ from an uninterrupted run");
    const bool finished = log.rfind("Onderbroken hernoemplan afgemaakt: ", 0) == 0;
    if (crashes ? !finished : !log.empty()) faults.push_back("unexpected log: " + log);
    if (!crashes && crashed != fresh) faults.push_back("uninterrupted child differs from an uninterrupted run");
    fs::remove_all(root);

    if (crashes) ++totals.crashPoints;
    modeLost.files += lost.files + lostAfter.files;
    modeLost.bytes += lost.bytes + lostAfter.bytes;
    modeOverwritten += overwritten + overwrittenAfter;
    std::string verdict = faults.empty() ? "ok" : "FAILED:";
    for (const auto& f : faults) verdict += " " + f + ";";
    std::printf("  %s %3ld: lost %ld files %lld bytes, overwritten %ld; repeated: lost %ld, overwritten %ld, "
                "%ld names differ from an uninterrupted run; %s\n",
                crashes ? "crash before rename" : "no crash, renames", k, lost.files, lost.bytes, overwritten,
                lostAfter.files, overwrittenAfter, NamesDiffering(repeated, fresh), verdict.c_str());
    faults.empty() ? ++totals.passed : ++totals.failed;
  }
  std::printf("%s repeat: %ld crash points tested, files lost %ld, bytes lost %lld, set-aside files overwritten %ld\n",
              Name(mode), renames, modeLost.files, modeLost.bytes, modeOverwritten);
  totals.lost.files += modeLost.files;
  totals.lost.bytes += modeLost.bytes;
  totals.overwritten += modeOverwritten;
}

}  // namespace

int main(int argc, char** argv) {
  const std::vector<std::string> args = repeat_crash::Arguments(argc, argv);
  if (!args.empty() && args[0] == "--child") return RunChild(args);

  std::random_device rd;
  const fs::path work = fs::temp_directory_path() / ("druvo-repeat-crash-" + std::to_string(rd()));
  fs::create_directories(work);
  const std::string saved = sys::CurrentFolder();

  Totals totals;
  RunMode(Mode::kFull, work, totals);
  RunMode(Mode::kPartial, work, totals);

  sys::SetCurrentFolder(saved);
  std::error_code ec;
  fs::remove_all(work, ec);
  std::printf("all: %ld crash points, files lost %ld, bytes lost %lld, set-aside files overwritten %ld\n",
              totals.crashPoints, totals.lost.files, totals.lost.bytes, totals.overwritten);
  std::printf("%d passed, %d failed\n", totals.passed, totals.failed);
  std::fflush(stdout);
  return totals.failed == 0 ? 0 : 1;
}
