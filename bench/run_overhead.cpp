// A whole run of the console program over the demo installation with the stand-in utility,
// against a plain shell loop that starts the same utility for the same 32 files in the same
// working folders (what a support engineer would otherwise type). Prints both times and the
// ratio.
#include <algorithm>
#include <cstdio>
#include <cstdlib>
#include <filesystem>
#include <string>

#include "bench/whole_run.h"
#include "hostsim/demo.h"

namespace fs = std::filesystem;

int main(int argc, char** argv) {
  bench::MailToClosedPort();
  int rounds = argc > 1 ? std::atoi(argv[1]) : 3;
  fs::path base = fs::temp_directory_path() / "druvo-run-overhead";
  double best_druvo = 1e9, best_loop = 1e9;
  for (int r = 0; r < rounds; ++r) {
    for (const char* which : {"druvo", "loop"}) {
      fs::path root = base / which;
      fs::remove_all(root);
      fs::create_directories(root);
      std::string error;
      if (!WriteDemoInstallation(root.string(), &error)) {
        std::printf("demo installation failed: %s\n", error.c_str());
        return 1;
      }
      if (std::string(which) == "druvo") {
        const bench::Timed t = bench::TimeDruvoRun(root);
        if (t.exitCode == -1) std::printf("  (druvo could not be started)\n");
        best_druvo = std::min(best_druvo, t.seconds);
      } else {
        const bench::Timed t = bench::TimeShellLoop(root);
        if (t.exitCode != 0) std::printf("  (shell loop exit %d)\n", t.exitCode);
        best_loop = std::min(best_loop, t.seconds);
      }
    }
  }
  fs::remove_all(base);
  std::printf("run_overhead (best of %d): DRUVO run %.3f s, plain shell loop %.3f s, ratio %.2fx\n",
              rounds, best_druvo, best_loop, best_druvo / best_loop);
  return 0;
}
