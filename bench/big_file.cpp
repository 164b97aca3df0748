// One big data file in the demo installation: a whole DRUVO run against the plain shell loop
// over the same files with the same stand-in utility, and the throughput of the fingerprint
// (size and CRC-32C) that a run takes of the file before the utility gets it and of its marker
// afterwards.
//   big_file SIZE [ROUNDS] [FOLDER]
// SIZE in bytes, or with K, M or G (1024-based): big_file 1G. The first catalogue entry
// (QWIMAPD.DAT) gets that size: the demo's own records of that file, repeated, the last copy
// cut at SIZE. The other 31 data files are as the demo writes them. Each side runs on a fresh
// copy of the installation, written to disk before the clock starts; the sides take turns
// going first. FOLDER (default: the temp folder) holds the copies and is removed at the end.
#include <algorithm>
#include <cctype>
#include <chrono>
#include <cstdint>
#include <cstdio>
#include <cstdlib>
#include <filesystem>
#include <fstream>
#include <string>
#include <thread>
#include <vector>

#ifdef _WIN32
#include <windows.h>
#else
#include <unistd.h>
#endif

#include "bench/whole_run.h"
#include "datafiles/record.h"
#include "hostsim/demo.h"
#include "model/catalogue.h"
#include "sys/crc32c.h"

namespace fs = std::filesystem;
using Clock = std::chrono::steady_clock;

namespace {

constexpr int kBigEntry = 0;

double Since(Clock::time_point t0) {
  return std::chrono::duration<double>(Clock::now() - t0).count();
}

// "1G", "256M", "64K" or plain bytes; 0 when unreadable.
std::uint64_t ParseSize(const std::string& s) {
  char* end = nullptr;
  const unsigned long long n = std::strtoull(s.c_str(), &end, 10);
  if (end == s.c_str()) return 0;
  const std::string unit = end;
  if (unit.empty()) return n;
  if (unit.size() != 1) return 0;
  switch (std::toupper(static_cast<unsigned char>(unit[0]))) {
    case 'K': return n << 10;
    case 'M': return n << 20;
    case 'G': return n << 30;
  }
  return 0;
}

fs::path BigFile(const fs::path& root) {
  druvo::FileCatalogue catalogue;
  druvo::LoadFileCatalogue(catalogue);
  return root / "DATA" / druvo::DataFileName(catalogue, kBigEntry, ".DAT");
}

fs::path BigMarker(const fs::path& root) {
  druvo::FileCatalogue catalogue;
  druvo::LoadFileCatalogue(catalogue);
  return root / "DATA" / (catalogue.baseNames[kBigEntry] + ".13");
}

// The copy just made is on disk before a side starts, so that no side pays for writing back
// what the benchmark wrote.
void WriteBack(const fs::path& file) {
#ifdef _WIN32
  HANDLE h = CreateFileW(file.wstring().c_str(), GENERIC_WRITE, FILE_SHARE_READ | FILE_SHARE_WRITE,
                         nullptr, OPEN_EXISTING, FILE_ATTRIBUTE_NORMAL, nullptr);
  if (h != INVALID_HANDLE_VALUE) {
    FlushFileBuffers(h);
    CloseHandle(h);
  }
#else
  (void)file;
  sync();
#endif
}

// Removes a side's copy. The run's lock file may stay held a moment after the run's last
// process has ended (seen under Wine), so a refusal is tried again for a few seconds.
bool Remove(const fs::path& root) {
  std::error_code ec;
  for (int i = 0; i < 50; ++i) {
    fs::remove_all(root, ec);
    if (!ec) return true;
    std::this_thread::sleep_for(std::chrono::milliseconds(100));
  }
  std::printf("cannot remove %s: %s\n", root.string().c_str(), ec.message().c_str());
  return false;
}

struct Figures {
  std::vector<double> values;
  double Best() const { return *std::min_element(values.begin(), values.end()); }
  double Worst() const { return *std::max_element(values.begin(), values.end()); }
  double Median() const {
    std::vector<double> v = values;
    std::sort(v.begin(), v.end());
    const std::size_t n = v.size();
    return n % 2 ? v[n / 2] : (v[n / 2 - 1] + v[n / 2]) / 2;
  }
};

struct Side {
  const char* name;
  Figures seconds;
  Figures cpu;      // empty where the processor time cannot be had
  Figures outside;  // seconds outside the utility's own calls
  Figures calls;    // the utility's own seconds, all calls together
};

// The seconds the stand-in utility wrote, one line per call (RCX_TIMES); -1 when unreadable.
double SumOfCalls(const fs::path& times) {
  std::ifstream in(times);
  double sum = 0, s = 0;
  int n = 0;
  while (in >> s) {
    sum += s;
    ++n;
  }
  return n > 0 ? sum : -1;
}

void SetTimesFile(const fs::path& times) {
  std::error_code ec;
  fs::remove(times, ec);
#ifdef _WIN32
  _putenv_s("RCX_TIMES", times.string().c_str());
#else
  setenv("RCX_TIMES", times.string().c_str(), 1);
#endif
}

// Every entry converted: a run whose utility calls failed measured something else (the
// demo's invalid numbers still make ERROR lines and exit code 1).
bool RunConvertedAll(const fs::path& root) {
  std::ifstream in(root / "QMV" / "DRUVO.Log", std::ios::binary);
  const std::string text((std::istreambuf_iterator<char>(in)), std::istreambuf_iterator<char>());
  return text.find("niet omgezet: 0") != std::string::npos;
}

}  // namespace

int main(int argc, char** argv) {
  const std::uint64_t size = argc > 1 ? ParseSize(argv[1]) : 0;
  const int rounds = argc > 2 ? std::atoi(argv[2]) : 3;
  if (size == 0 || rounds < 1) {
    std::fprintf(stderr, "usage: big_file SIZE [ROUNDS] [FOLDER]   (SIZE like 1G, 256M, 100000)\n");
    return 64;
  }
  const fs::path base = (argc > 3 ? fs::path(argv[3]) : fs::temp_directory_path()) / "druvo-big-file";
  bench::MailToClosedPort();

  struct Cleanup {
    fs::path path;
    ~Cleanup() {
      std::error_code ec;
      fs::remove_all(path, ec);
    }
  } cleanup{base};
  if (!Remove(base)) return 1;
  fs::create_directories(base);
  const fs::path model = base / "model";
  std::string error;
  if (!WriteDemoInstallation(model.string(), &error)) {
    std::printf("demo installation failed: %s\n", error.c_str());
    return 1;
  }
  if (!bench::GrowDataFile(BigFile(model), size)) {
    std::printf("cannot write %s\n", BigFile(model).string().c_str());
    return 1;
  }
  std::printf("big_file: %s of %llu bytes (%.2f GiB) in the demo installation, the other 31 data\n"
              "files as the demo writes them; %d rounds, a fresh copy per side; started %s\n",
              BigFile(model).filename().string().c_str(), static_cast<unsigned long long>(size),
              static_cast<double>(size) / (1u << 30), rounds, bench::When().c_str());

  Side druvo{"DRUVO run", {}, {}, {}, {}}, loop{"plain shell loop", {}, {}, {}, {}};
  for (int r = 0; r < rounds; ++r) {
    for (int turn = 0; turn < 2; ++turn) {
      const bool isDruvo = (turn == 0) == (r % 2 == 0);
      const fs::path root = base / (isDruvo ? "druvo" : "loop");
      if (!Remove(root)) return 1;
      fs::copy(model, root, fs::copy_options::recursive);
      WriteBack(BigFile(root));
      const fs::path times = base / (isDruvo ? "druvo-calls.txt" : "loop-calls.txt");
      SetTimesFile(times);
      const bench::Timed t = isDruvo ? bench::TimeDruvoRun(root) : bench::TimeShellLoop(root);
      // A side that did not convert the big file measured something else.
      std::error_code ec;
      const auto markerSize = fs::file_size(BigMarker(root), ec);
      const bool exitOk = isDruvo ? (t.exitCode == 0 || t.exitCode == 1) && RunConvertedAll(root)
                                  : t.exitCode == 0;
      if (ec || markerSize != size || !exitOk) {
        std::printf("%s did not convert %s (exit code %d, marker %s): no figures\n",
                    isDruvo ? druvo.name : loop.name, BigFile(root).filename().string().c_str(),
                    t.exitCode, ec ? "missing" : std::to_string(markerSize).c_str());
        return 1;
      }
      Side& side = isDruvo ? druvo : loop;
      side.seconds.values.push_back(t.seconds);
      if (t.cpuSeconds >= 0) side.cpu.values.push_back(t.cpuSeconds);
      if (const double calls = SumOfCalls(times); calls >= 0) {
        side.calls.values.push_back(calls);
        side.outside.values.push_back(t.seconds - calls);
      }
      if (!Remove(root)) return 1;
    }
    const double d = druvo.seconds.values.back(), l = loop.seconds.values.back();
    std::printf("  round %d: %s %.3f s, %s %.3f s, ratio %.3fx", r + 1, druvo.name, d, loop.name,
                l, d / l);
    if (!druvo.cpu.values.empty() && !loop.cpu.values.empty())
      std::printf("; processor time %.3f s against %.3f s", druvo.cpu.values.back(),
                  loop.cpu.values.back());
    if (druvo.outside.values.size() == static_cast<std::size_t>(r + 1) &&
        loop.outside.values.size() == static_cast<std::size_t>(r + 1))
      std::printf("\n           utility's own calls %.3f s / %.3f s, outside them %.3f s / %.3f s",
                  druvo.calls.values.back(), loop.calls.values.back(),
                  druvo.outside.values.back(), loop.outside.values.back());
    std::printf("\n");
    std::fflush(stdout);
  }
  for (const Side* s : {&druvo, &loop})
    std::printf("%s: best %.3f s, median %.3f s (spread %.3f-%.3f s)\n", s->name,
                s->seconds.Best(), s->seconds.Median(), s->seconds.Best(), s->seconds.Worst());
  std::printf("ratio of the bests: %.3fx, of the medians: %.3fx\n",
              druvo.seconds.Best() / loop.seconds.Best(),
              druvo.seconds.Median() / loop.seconds.Median());
  // The utility's own time varies from call to call by more than DRUVO adds; what DRUVO adds
  // is the time outside the calls, beside the loop's, against the calls' time.
  if (druvo.outside.values.size() == static_cast<std::size_t>(rounds) &&
      loop.outside.values.size() == static_cast<std::size_t>(rounds)) {
    Figures calls;
    calls.values = druvo.calls.values;
    calls.values.insert(calls.values.end(), loop.calls.values.begin(), loop.calls.values.end());
    const double added = druvo.outside.Median() - loop.outside.Median();
    std::printf("outside the utility's calls: DRUVO run median %.3f s, loop median %.3f s; DRUVO "
                "adds %.3f s to calls of %.3f s (median): %.3fx\n",
                druvo.outside.Median(), loop.outside.Median(), added, calls.Median(),
                (calls.Median() + loop.outside.Median() + added) /
                    (calls.Median() + loop.outside.Median()));
  }
  if (!druvo.cpu.values.empty() && !loop.cpu.values.empty())
    std::printf("processor time of all processes of a side: best %.3f s against %.3f s, ratio "
                "%.3fx\n",
                druvo.cpu.Best(), loop.cpu.Best(), druvo.cpu.Best() / loop.cpu.Best());

  // The fingerprint over the big file, warm: read in pieces and checksummed, as a run does.
  const std::string big = BigFile(model).string();
  double fingerprint = 1e9;
  for (int i = 0; i < 4; ++i) {
    const auto t0 = Clock::now();
    const auto f = druvo::FingerprintOf(big);
    const double s = Since(t0);
    if (!f || static_cast<std::uint64_t>(f->size) != size) {
      std::printf("cannot read %s\n", big.c_str());
      return 1;
    }
    if (i > 0) fingerprint = std::min(fingerprint, s);
  }
  // The checksum alone, over a piece that stays in the processor's cache.
  std::string piece(64 * 1024, '\0');
  for (std::size_t i = 0; i < piece.size(); ++i) piece[i] = static_cast<char>(i * 131 + 7);
  std::uint32_t crc = 0;
  const int passes = 16384;  // 1 GiB
  const auto t0 = Clock::now();
  for (int i = 0; i < passes; ++i) crc = sys::Crc32c(crc, piece);
  const double alone = Since(t0);
  std::printf("fingerprint of the big file (warm, best of 3): %.3f s, %.2f GB/s; CRC-32C alone in\n"
              "memory: %.2f GB/s (%s; checksum %08x)\n",
              fingerprint, static_cast<double>(size) / fingerprint / 1e9,
              static_cast<double>(piece.size()) * passes / alone / 1e9,
              sys::Crc32cUsesInstruction() ? "crc32 instruction" : "table", static_cast<unsigned>(crc));
  std::printf("ended %s\n", bench::When().c_str());
  return 0;
}
