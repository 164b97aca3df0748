// Processor time that DRUVO spends while it waits for a host program: ShellandWait against
// the plain busy poll (query, events, clock, again) over the same 3-second child.
//   wait_cpu [seconds] [wait|busy]   (default: both, one after the other)
#include <chrono>
#include <cstdio>
#include <cstdlib>
#include <filesystem>
#include <random>
#include <string>

#ifdef _WIN32
#include <windows.h>
#else
#include <time.h>
#endif

#include "model/main_window.h"
#include "model/memory_view.h"
#include "sys/fs.h"
#include "tools/process.h"
#include "tools/process_platform.h"

namespace fs = std::filesystem;
using Clock = std::chrono::steady_clock;

namespace {

// Processor seconds (user + kernel) of this process so far; children are not counted.
double ProcessCpuSeconds() {
#ifdef _WIN32
  FILETIME created, ended, kernel, user;
  GetProcessTimes(GetCurrentProcess(), &created, &ended, &kernel, &user);
  auto secs = [](const FILETIME& f) {
    return ((static_cast<unsigned long long>(f.dwHighDateTime) << 32) | f.dwLowDateTime) / 1e7;
  };
  return secs(kernel) + secs(user);
#else
  timespec t{};
  clock_gettime(CLOCK_PROCESS_CPUTIME_ID, &t);
  return static_cast<double>(t.tv_sec) + static_cast<double>(t.tv_nsec) / 1e9;
#endif
}

struct Figure {
  double cpu = 0;
  double wall = 0;
  long polls = 0;
};

}  // namespace

int main(int argc, char** argv) {
  const int seconds = argc > 1 ? std::atoi(argv[1]) : 3;
  const std::string only = argc > 2 ? argv[2] : "";
  const fs::path bin = fs::path(sys::ExecutablePath()).parent_path();
  fs::path echo = bin / "argv_echo.exe";
  if (!fs::exists(echo)) echo = bin / "argv_echo";
  if (!fs::exists(echo)) {
    std::fprintf(stderr, "wait_cpu: argv_echo not found beside %s\n", sys::ExecutablePath().c_str());
    return 1;
  }

  const fs::path work = fs::temp_directory_path() / ("druvo-wait-cpu-" + std::to_string(std::random_device{}()));
  fs::create_directories(work);
  {
    std::FILE* f = std::fopen((work / "argv_echo.ctl").string().c_str(), "wb");
    if (!f) return 1;
    std::fprintf(f, "sleep %d\n", seconds * 1000);
    std::fclose(f);
  }
  sys::SetCurrentFolder(work.string());

  druvo::MemoryView view;
  druvo::MainWindow w(view);
  const druvo::Command command{echo.string(), {"wait"}};

  Figure waited;
  if (only != "busy") {
    const int events = view.events;
    const double c0 = ProcessCpuSeconds();
    const auto t0 = Clock::now();
    if (!druvo::ShellandWait(w, w.services, command, 0)) std::fprintf(stderr, "wait_cpu: not started\n");
    waited.wall = std::chrono::duration<double>(Clock::now() - t0).count();
    waited.cpu = ProcessCpuSeconds() - c0;
    waited.polls = view.events - events;
  }

  Figure busy;
  if (only != "wait") {
    const int events = view.events;
    const double c0 = ProcessCpuSeconds();
    const auto t0 = Clock::now();
    auto p = druvo::StartProcess(command);
    bool running = p != nullptr;
    while (running) {
      running = p->Query() != druvo::StartedProcess::State::kEnded;
      view.DoEvents();
      (void)w.services.secondsSinceMidnight();
    }
    busy.wall = std::chrono::duration<double>(Clock::now() - t0).count();
    busy.cpu = ProcessCpuSeconds() - c0;
    busy.polls = view.events - events;
  }

  sys::SetCurrentFolder(bin.string());
  std::error_code ec;
  fs::remove_all(work, ec);

  std::printf("child of %d s          processor s   wall s   polls\n", seconds);
  if (only != "busy")
    std::printf("ShellandWait           %11.3f   %6.2f   %5ld\n", waited.cpu, waited.wall, waited.polls);
  if (only != "wait")
    std::printf("busy poll              %11.3f   %6.2f   %5ld\n", busy.cpu, busy.wall, busy.polls);
  return 0;
}
