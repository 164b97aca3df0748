// A whole run of the console program over the demo installation with the stand-in utility,
// against a plain shell
// loop that starts the same utility for the same 32 files in the same working folders (what
// a support engineer would otherwise type). Prints both times and the ratio.
#include <chrono>
#include <cstdio>
#include <cstdlib>
#include <filesystem>
#include <fstream>
#include <string>

#include "hostsim/demo.h"
#include "model/catalogue.h"
#include "sys/env.h"
#include "sys/fs.h"

namespace fs = std::filesystem;
using Clock = std::chrono::steady_clock;

namespace druvo_bench {
std::string SelfPath() { return sys::ExecutablePath(); }
}  // namespace druvo_bench

namespace {

double Seconds(Clock::time_point a, Clock::time_point b) {
  return std::chrono::duration<double>(b - a).count();
}

std::string Quote(const std::string& s) { return "\"" + s + "\""; }

// The console program as a support engineer starts it, mail to a closed loopback port (it
// fails at once; the mail is not what is measured).
double TimeDruvo(const fs::path& root) {
  fs::path self = fs::path(druvo_bench::SelfPath()).parent_path();
#ifdef _WIN32
  std::string command = "\"";
  command += Quote((self / "druvo-cli.exe").string());
#else
  std::string command = Quote((self / "druvo").string());
#endif
  command += " run --yes --customer 1 --program-folder " + Quote((root / "QMV").string()) +
             " --database-folder " + Quote((root / "DATA").string());
#ifdef _WIN32
  command += " >NUL 2>NUL\"";
#else
  command += " >/dev/null 2>&1";
#endif
  auto t0 = Clock::now();
  int rc = std::system(command.c_str());
  auto t1 = Clock::now();
  if (rc == -1) std::printf("  (druvo could not be started)\n");
  return Seconds(t0, t1);
}

double TimeShellLoop(const fs::path& root) {
  druvo::FileCatalogue cat;
  druvo::LoadFileCatalogue(cat);
  const fs::path prog = root / "QMV";
#ifdef _WIN32
  fs::path script = root / "loop.bat";
  std::ofstream out(script);
  out << "@echo off\r\n";
  for (int i = 0; i < druvo::kCatalogueSize; ++i) {
    fs::path folder = druvo::InWorkFolder(i) ? root / "DATA" / "QMVWORK" : root / "DATA";
    std::string file = cat.baseNames[i] + ".DAT";
    out << "cd /d \"" << folder.string() << "\"\r\n\"" << (prog / "RCX.EXE").string() << "\" N "
        << file << " 13\r\n";
  }
  out.close();
  std::string command = "cmd /c \"" + script.string() + "\"";
#else
  fs::path script = root / "loop.sh";
  std::ofstream out(script);
  for (int i = 0; i < druvo::kCatalogueSize; ++i) {
    fs::path folder = druvo::InWorkFolder(i) ? root / "DATA" / "QMVWORK" : root / "DATA";
    std::string file = cat.baseNames[i] + (druvo::InWorkFolder(i) ? ".dat" : ".DAT");
    out << "cd '" << folder.string() << "' && '" << (prog / "RCX.EXE").string() << "' N " << file
        << " 13\n";
  }
  out.close();
  std::string command = "sh '" + script.string() + "'";
#endif
  auto t0 = Clock::now();
  int rc = std::system(command.c_str());
  auto t1 = Clock::now();
  if (rc != 0) std::printf("  (shell loop exit %d)\n", rc);
  return Seconds(t0, t1);
}

}  // namespace

int main(int argc, char** argv) {
#ifdef _WIN32
  _putenv_s("DRUVO_SMTP_RELAY", "127.0.0.1:9");
#else
  setenv("DRUVO_SMTP_RELAY", "127.0.0.1:9", 1);
#endif
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
      double t = std::string(which) == "druvo" ? TimeDruvo(root) : TimeShellLoop(root);
      if (std::string(which) == "druvo") best_druvo = std::min(best_druvo, t);
      else best_loop = std::min(best_loop, t);
    }
  }
  fs::remove_all(base);
  std::printf("run_overhead (best of %d): DRUVO run %.3f s, plain shell loop %.3f s, ratio %.2fx\n",
              rounds, best_druvo, best_loop, best_druvo / best_loop);
  return 0;
}
