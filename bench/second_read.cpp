// Where a thread of its own for the marker's fingerprint starts to pay off. After each call a
// run reads the marker the utility left (its fingerprint must equal the record's) and shows
// the utility's log. For data files of rising size, converted once by the stand-in utility,
// this times the two one after the other on one thread against the fingerprint on a thread
// of its own beside the log, warm, and prints the median of each per size.
//   second_read [ROUNDS]
// The log goes to the view model alone (no text box, no console): the cheapest showing of
// the log, so the size found is where the thread pays off even then.
#include <algorithm>
#include <chrono>
#include <cstdio>
#include <cstdlib>
#include <filesystem>
#include <future>
#include <string>
#include <vector>

#include "bench/whole_run.h"
#include "datafiles/record.h"
#include "hostsim/demo.h"
#include "model/catalogue.h"
#include "model/main_window.h"
#include "model/memory_view.h"
#include "sys/fs.h"
#include "tools/log_view.h"
#include "tools/process_platform.h"

namespace fs = std::filesystem;
using Clock = std::chrono::steady_clock;

namespace {

// A view that keeps nothing: the model alone is measured.
struct NullView : druvo::MemoryView {
  void LogAppended(std::string_view) override {}
  void LogTrimmed(std::string_view) override {}
};

double Median(std::vector<double> v) {
  std::sort(v.begin(), v.end());
  const std::size_t n = v.size();
  return n % 2 ? v[n / 2] : (v[n / 2 - 1] + v[n / 2]) / 2;
}

bool RunUtility(const fs::path& utility, const std::string& file) {
  auto p = druvo::StartProcess({utility.string(), {"N", file, "13"}});
  if (!p) return false;
  while (p->Query() == druvo::StartedProcess::State::kRunning) p->Pause(50);
  return p->ExitCode() == 0;
}

}  // namespace

int main(int argc, char** argv) {
  const int rounds = argc > 1 ? std::max(1, std::atoi(argv[1])) : 15;
  const fs::path base = fs::temp_directory_path() / "druvo-second-read";
  std::error_code ec;
  fs::remove_all(base, ec);
  std::string error;
  if (!WriteDemoInstallation(base.string(), &error)) {
    std::printf("demo installation failed: %s\n", error.c_str());
    return 1;
  }
  druvo::FileCatalogue catalogue;
  druvo::LoadFileCatalogue(catalogue);
  const fs::path data = base / "DATA";
  const std::string name = catalogue.baseNames[0];
  const fs::path demoFile = data / (name + ".DAT");
  const fs::path kept = base / "records";
  fs::copy_file(demoFile, kept);
  if (!sys::SetCurrentFolder(data.string())) return 1;

  std::printf("second_read: the marker's fingerprint and the showing of the log, one after the\n"
              "other on one thread against the fingerprint on a thread of its own (median of %d, "
              "warm); started %s\n",
              rounds, bench::When().c_str());
  std::printf("%12s %10s %12s %12s %8s\n", "data file", "log lines", "one thread", "own thread",
              "ratio");
  const std::uint64_t sizes[] = {16u << 10, 64u << 10, 256u << 10, 512u << 10, 1u << 20,
                                 2u << 20,  4u << 20,  16u << 20,  32u << 20, 64u << 20,
                                 256u << 20};
  std::string faster;  // the sizes where the thread of its own was faster
  for (const std::uint64_t size : sizes) {
    fs::remove(data / (name + ".13"), ec);
    fs::remove(demoFile, ec);  // not overwrite_existing: MinGW's library refuses it
    fs::copy_file(kept, demoFile);
    if (!bench::GrowDataFile(demoFile, size) || !RunUtility(base / "QMV" / "RCX.EXE", name + ".DAT")) {
      std::printf("the stand-in did not convert a file of %llu bytes\n",
                  static_cast<unsigned long long>(size));
      return 1;
    }
    const std::string marker = name + ".13", log = name + ".Log";
    std::size_t lines = 0;
    druvo::ForEachLogLine(log, [&](std::string_view, bool, bool ends) { lines += ends; });

    NullView view;
    druvo::MainWindow w(view);
    std::vector<double> one, own;
    bool same = true;
    for (int r = 0; r <= rounds; ++r) {  // round 0 warms the cache
      for (int turn = 0; turn < 2; ++turn) {
        const bool aside = (turn == 0) == (r % 2 == 0);
        const auto t0 = Clock::now();
        std::optional<druvo::Fingerprint> print;
        if (aside) {
          auto later = std::async(std::launch::async, [&] { return druvo::FingerprintOf(marker); });
          druvo::AppendLogToView(w, log);
          print = later.get();
        } else {
          druvo::AppendLogToView(w, log);
          print = druvo::FingerprintOf(marker);
        }
        const double s = std::chrono::duration<double>(Clock::now() - t0).count();
        same = same && print && static_cast<std::uint64_t>(print->size) == size;
        if (r > 0) (aside ? own : one).push_back(s);
      }
    }
    if (!same) {
      std::printf("cannot read the marker of %llu bytes\n", static_cast<unsigned long long>(size));
      return 1;
    }
    const double a = Median(one), b = Median(own);
    if (b < a) faster += " " + std::to_string(size >> 10) + " KB";
    std::printf("%9llu KB %10zu %9.3f ms %9.3f ms %7.2fx\n",
                static_cast<unsigned long long>(size >> 10), lines, a * 1e3, b * 1e3, b / a);
    std::fflush(stdout);
  }
  sys::SetCurrentFolder(base.parent_path().string());
  fs::remove_all(base, ec);
  std::printf("a thread of its own was faster at:%s; a run takes one from %lld KB on\n",
              faster.empty() ? " no size" : faster.c_str(),
              static_cast<long long>(druvo::kFingerprintAsideFrom >> 10));
  return 0;
}
