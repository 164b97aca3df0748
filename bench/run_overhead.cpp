// A whole run of the console program over the demo installation with the stand-in utility,
// against a plain shell loop that starts the same utility for the same 32 files in the same
// working folders (what a support engineer would otherwise type). Each side runs on a fresh
// copy, the sides take turns going first. Prints every round, the best and the median of
// both sides and their ratios, on Linux the processor time of all processes of each side,
// and when and under what load it was measured.
//   run_overhead [ROUNDS]
#include <algorithm>
#include <cstdio>
#include <cstdlib>
#include <filesystem>
#include <string>
#include <vector>

#include "bench/whole_run.h"
#include "hostsim/demo.h"

namespace fs = std::filesystem;

namespace {

double Best(std::vector<double> v) { return *std::min_element(v.begin(), v.end()); }

double Median(std::vector<double> v) {
  std::sort(v.begin(), v.end());
  const std::size_t n = v.size();
  return n % 2 ? v[n / 2] : (v[n / 2 - 1] + v[n / 2]) / 2;
}

}  // namespace

int main(int argc, char** argv) {
  bench::MailToClosedPort();
  const int rounds = argc > 1 ? std::max(1, std::atoi(argv[1])) : 3;
  const fs::path base = fs::temp_directory_path() / "druvo-run-overhead";
  std::printf("run_overhead: %d rounds, started %s\n", rounds, bench::When().c_str());
  std::vector<double> druvo, loop, druvoCpu, loopCpu;
  for (int r = 0; r < rounds; ++r) {
    for (int turn = 0; turn < 2; ++turn) {
      const bool isDruvo = (turn == 0) == (r % 2 == 0);
      const fs::path root = base / (isDruvo ? "druvo" : "loop");
      fs::remove_all(root);
      fs::create_directories(root);
      std::string error;
      if (!WriteDemoInstallation(root.string(), &error)) {
        std::printf("demo installation failed: %s\n", error.c_str());
        return 1;
      }
      const bench::Timed t = isDruvo ? bench::TimeDruvoRun(root) : bench::TimeShellLoop(root);
      if (isDruvo && t.exitCode != 0 && t.exitCode != 1) {
        std::printf("  (druvo exit code %d: no figures)\n", t.exitCode);
        return 1;
      }
      if (!isDruvo && t.exitCode != 0) {
        std::printf("  (shell loop exit code %d: no figures)\n", t.exitCode);
        return 1;
      }
      (isDruvo ? druvo : loop).push_back(t.seconds);
      if (t.cpuSeconds >= 0) (isDruvo ? druvoCpu : loopCpu).push_back(t.cpuSeconds);
    }
    std::printf("  round %d: DRUVO run %.3f s, plain shell loop %.3f s, ratio %.2fx", r + 1, druvo.back(),
                loop.back(), druvo.back() / loop.back());
    if (!druvoCpu.empty() && !loopCpu.empty())
      std::printf("; processor time %.3f s against %.3f s", druvoCpu.back(), loopCpu.back());
    std::printf("\n");
    std::fflush(stdout);
  }
  fs::remove_all(base);
  std::printf("run_overhead (best of %d): DRUVO run %.3f s, plain shell loop %.3f s, ratio %.2fx\n", rounds,
              Best(druvo), Best(loop), Best(druvo) / Best(loop));
  std::printf("medians: DRUVO run %.3f s, plain shell loop %.3f s, ratio %.2fx\n", Median(druvo), Median(loop),
              Median(druvo) / Median(loop));
  if (!druvoCpu.empty() && !loopCpu.empty())
    std::printf("processor time of all processes of a side, best: %.3f s against %.3f s, ratio %.2fx\n",
                Best(druvoCpu), Best(loopCpu), Best(druvoCpu) / Best(loopCpu));
  std::printf("ended %s\n", bench::When().c_str());
  return 0;
}
