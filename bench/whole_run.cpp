#include "bench/whole_run.h"

#include <algorithm>
#include <chrono>
#include <cstdlib>
#include <ctime>
#include <fstream>
#include <string>

#ifndef _WIN32
#include <sys/resource.h>
#include <sys/wait.h>
#endif

#include "model/catalogue.h"
#include "sys/fs.h"

namespace fs = std::filesystem;
using Clock = std::chrono::steady_clock;

namespace bench {

namespace {

std::string Quote(const std::string& s) { return "\"" + s + "\""; }

#ifndef _WIN32
// Processor time of the children that have ended and been waited for, with theirs.
double ChildrenCpuSeconds() {
  rusage u{};
  getrusage(RUSAGE_CHILDREN, &u);
  return static_cast<double>(u.ru_utime.tv_sec + u.ru_stime.tv_sec) +
         static_cast<double>(u.ru_utime.tv_usec + u.ru_stime.tv_usec) / 1e6;
}
#endif

Timed TimeCommand(const std::string& command) {
#ifndef _WIN32
  const double cpu0 = ChildrenCpuSeconds();
#endif
  const auto t0 = Clock::now();
  const int status = std::system(command.c_str());
  Timed t;
  t.seconds = std::chrono::duration<double>(Clock::now() - t0).count();
#ifdef _WIN32
  t.exitCode = status;
#else
  t.cpuSeconds = ChildrenCpuSeconds() - cpu0;
  t.exitCode = status != -1 && WIFEXITED(status) ? WEXITSTATUS(status) : -1;
#endif
  return t;
}

}  // namespace

void MailToClosedPort() {
#ifdef _WIN32
  _putenv_s("DRUVO_SMTP_RELAY", "127.0.0.1:9");
#else
  setenv("DRUVO_SMTP_RELAY", "127.0.0.1:9", 1);
#endif
}

Timed TimeDruvoRun(const fs::path& root) {
  const fs::path self = fs::path(sys::ExecutablePath()).parent_path();
#ifdef _WIN32
  // cmd /c drops the outer quotes of a command line that starts with one. Built step by
  // step: MinGW's -Wrestrict misfires on const char* + std::string.
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
  return TimeCommand(command);
}

Timed TimeShellLoop(const fs::path& root) {
  druvo::FileCatalogue cat;
  druvo::LoadFileCatalogue(cat);
  const fs::path utility = root / "QMV" / "RCX.EXE";
#ifdef _WIN32
  const fs::path script = root / "loop.bat";
  std::ofstream out(script);
  out << "@echo off\r\n";
  for (int i = 0; i < druvo::kCatalogueSize; ++i) {
    const fs::path folder = druvo::InWorkFolder(i) ? root / "DATA" / "QMVWORK" : root / "DATA";
    out << "cd /d \"" << folder.string() << "\"\r\n\"" << utility.string() << "\" N "
        << cat.baseNames[i] << ".DAT 13\r\n";
  }
  out.close();
  return TimeCommand("cmd /c \"" + script.string() + "\"");
#else
  const fs::path script = root / "loop.sh";
  std::ofstream out(script);
  for (int i = 0; i < druvo::kCatalogueSize; ++i) {
    const fs::path folder = druvo::InWorkFolder(i) ? root / "DATA" / "QMVWORK" : root / "DATA";
    out << "cd '" << folder.string() << "' && '" << utility.string() << "' N " << cat.baseNames[i]
        << (druvo::InWorkFolder(i) ? ".dat" : ".DAT") << " 13\n";
  }
  out.close();
  return TimeCommand("sh '" + script.string() + "'");
#endif
}

std::string When() {
  char date[32];
  const std::time_t now = std::time(nullptr);
  std::strftime(date, sizeof date, "%Y-%m-%d %H:%M", std::localtime(&now));
  std::string text = date;
  std::ifstream load("/proc/loadavg");
  std::string one, five;
  if (load >> one >> five) text += ", load average " + one + " / " + five + " (1 / 5 min)";
  return text;
}

bool GrowDataFile(const fs::path& file, std::uint64_t size) {
  std::string records;
  {
    std::ifstream in(file, std::ios::binary);
    records.assign(std::istreambuf_iterator<char>(in), std::istreambuf_iterator<char>());
  }
  if (records.empty()) return false;
  std::string chunk;
  while (chunk.size() < (1u << 20)) chunk += records;
  chunk.resize(chunk.size() - chunk.size() % records.size());
  std::ofstream out(file, std::ios::binary | std::ios::trunc);
  for (std::uint64_t left = size; left > 0 && out;) {
    const std::size_t n = static_cast<std::size_t>(std::min<std::uint64_t>(left, chunk.size()));
    out.write(chunk.data(), static_cast<std::streamsize>(n));
    left -= n;
  }
  out.close();
  return static_cast<bool>(out);
}

}  // namespace bench
