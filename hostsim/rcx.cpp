#include "hostsim/rcx.h"

#include <chrono>
#include <csignal>
#include <cstdlib>
#include <string>
#include <thread>

#include "sys/env.h"
#include "sys/fs.h"
#include "sys/text.h"

namespace hostsim {

namespace {

constexpr char kBanner[] = "RCX conversion utility (DRUVO host simulation) 1.0";
constexpr int kRefused = 2;

std::string Join(const std::vector<std::string>& lines) {
  std::string out;
  for (const auto& l : lines) out += l + "\r\n";
  return out;
}

std::string BaseName(const std::string& file) {
  const auto dot = file.rfind('.');
  return dot == std::string::npos ? file : file.substr(0, dot);
}

int Probe(const std::string& file) {
  std::vector<std::string> log = {kBanner, "Probe of " + file};
  log.push_back(sys::IsPresent(file) ? "Data file " + file + " found"
                                     : "Data file " + file + " not found");
  const std::string error = sys::GetVariable("RCX_PROBE_ERROR").value_or("");
  if (!error.empty()) {
    log.push_back("ERROR: " + error + " direct call not possible, use the batch wrapper RCXB.BAT");
  } else {
    log.push_back("Direct call possible");
  }
  return sys::WriteWholeFile("rcx.log", Join(log)) ? 0 : kRefused;
}

// Whether the environment variable names this data file.
bool Named(const char* variable, const std::string& file) {
  const std::string target = sys::GetVariable(variable).value_or("");
  return !target.empty() && text::Upper(target) == text::Upper(file);
}

// A crash, as a real utility may have one: a signal on POSIX, an access violation's exit code
// on Windows.
[[noreturn]] void Crash() {
#ifdef _WIN32
  std::_Exit(static_cast<int>(0xC0000005u));
#else
  std::raise(SIGKILL);
  std::_Exit(137);
#endif
}

// RCX_CRASH_ON=<FILE>: the utility crashes on that file before it writes anything.
void CrashOn(const std::string& file) {
  if (Named("RCX_CRASH_ON", file)) Crash();
}

int Convert(const std::string& file, const std::string& digits) {
  CrashOn(file);
  const std::string base = BaseName(file);
  const std::string logName = base + ".Log";
  const std::string marker = text::Upper(base) + "." + digits;
  std::vector<std::string> log = {kBanner, "File " + file + ", direction " + digits};
  auto refuse = [&](const std::string& why) {
    log.push_back("ERROR: " + why);
    sys::WriteWholeFile(logName, Join(log));
    return kRefused;
  };

  Direction direction;
  if (digits == "13") direction = Direction::kToEan13;
  else if (digits == "10") direction = Direction::kToIsbn10;
  else return refuse("direction must be 13 or 10, not \"" + digits + "\"");

  const auto stored = sys::FindPlainFile(file);
  if (!stored) return refuse("data file " + file + " not found");
  // The marker keeps the state before the conversion; an earlier marker is the only copy
  // of an older state and is never replaced.
  if (sys::ResolveExisting(marker)) return refuse("marker " + marker + " exists already, " + file + " left as it is");

  std::string before;
  if (!sys::ReadWholeFile(*stored, before)) return refuse("data file " + file + " cannot be read");
  // RCX_TEAR_MARKER=<FILE>: the marker of that file is left torn, half its length.
  const bool tear = text::Upper(sys::GetVariable("RCX_TEAR_MARKER").value_or("")) == text::Upper(file);
  if (!sys::WriteWholeFile(marker, tear ? before.substr(0, before.size() / 2) : before)) return refuse("marker " + marker + " cannot be written, " + file + " left as it is");

  FileConversion result = ConvertDataFile(before, direction);
  // RCX_CRASH_HALFWAY=<FILE>: the utility crashes half-way through rewriting that file.
  if (Named("RCX_CRASH_HALFWAY", file)) {
    sys::WriteWholeFile(*stored, result.bytes.substr(0, result.bytes.size() / 2));
    Crash();
  }
  // RCX_WRITE_FAILS=<FILE>: that file cannot be written, as a read-only one or on a full disk.
  if (result.converted > 0 && (Named("RCX_WRITE_FAILS", file) || !sys::WriteWholeFile(*stored, result.bytes)))
    return refuse("data file " + file + " cannot be written; its old content is in " + marker);

  log.insert(log.end(), result.errorLines.begin(), result.errorLines.end());
  log.push_back("Summary: " + std::to_string(result.converted) + " converted, " +
                std::to_string(result.unchanged) + " unchanged, " +
                std::to_string(result.errors) + " errors");
  return sys::WriteWholeFile(logName, Join(log)) ? 0 : kRefused;
}

}  // namespace

FileConversion ConvertDataFile(std::string_view bytes, Direction direction) {
  FileConversion r;
  std::size_t start = 0;
  int lineNumber = 0;
  while (start < bytes.size()) {
    std::size_t end = bytes.find('\n', start);
    end = end == std::string_view::npos ? bytes.size() : end + 1;
    std::string_view line = bytes.substr(start, end - start);
    start = end;
    ++lineNumber;

    std::size_t bodyLength = line.size();
    if (bodyLength > 0 && line[bodyLength - 1] == '\n') --bodyLength;
    if (bodyLength > 0 && line[bodyLength - 1] == '\r') --bodyLength;
    const std::string_view body = line.substr(0, bodyLength);
    if (body.empty()) {
      r.bytes += line;
      continue;
    }

    const std::size_t fieldEnd = std::min(body.find(';'), body.size());
    const std::string_view field = body.substr(0, fieldEnd);
    const NumberConversion c = ConvertBookNumber(field, direction);
    switch (c.outcome) {
      case NumberConversion::kConverted:
        ++r.converted;
        r.bytes += c.number;
        r.bytes += line.substr(fieldEnd);
        break;
      case NumberConversion::kUnchanged:
        ++r.unchanged;
        r.bytes += line;
        break;
      case NumberConversion::kError:
        ++r.errors;
        r.errorLines.push_back("ERROR line " + std::to_string(lineNumber) + ": " +
                               text::Trim(field) + ": " + c.reason);
        r.bytes += line;
        break;
    }
  }
  return r;
}

int RunConversionUtility(const std::vector<std::string>& args) {
  const auto started = std::chrono::steady_clock::now();
  if (auto delay = sys::GetVariable("RCX_DELAY_MS")) {
    std::this_thread::sleep_for(std::chrono::milliseconds(std::atol(delay->c_str())));
  }
  // RCX_WAIT_FOR=<path>: the call waits (30 s at most) until that file exists, so a test can
  // look at the world while the utility is surely at work.
  if (auto go = sys::GetVariable("RCX_WAIT_FOR"); go && !go->empty()) {
    for (int i = 0; i < 3000 && !sys::ResolveExisting(*go); ++i)
      std::this_thread::sleep_for(std::chrono::milliseconds(10));
  }
  const std::string letter = args.empty() ? "" : text::Upper(args[0]);
  int code;
  if (letter == "I" && args.size() >= 2) {
    code = Probe(args[1]);
  } else if (letter == "N" && args.size() >= 3) {
    code = Convert(args[1], args[2]);
  } else {
    std::string line;
    for (const auto& a : args) line += (line.empty() ? "" : " ") + a;
    sys::WriteWholeFile("rcx.log", Join({kBanner, "ERROR: usage: RCX I <file> | RCX N <file> 13|10 (given: " + line + ")"}));
    code = kRefused;
  }
  if (auto forced = sys::GetVariable("RCX_EXIT_CODE"); forced && !forced->empty()) {
    code = std::atoi(forced->c_str());
  }
  // RCX_TIMES=<path>: the seconds of this call are added as a line to that file, so that a
  // benchmark can tell the utility's own time from the time around it.
  if (auto times = sys::GetVariable("RCX_TIMES"); times && !times->empty()) {
    const double seconds = std::chrono::duration<double>(std::chrono::steady_clock::now() - started).count();
    sys::AppendFileDurably(*times, std::to_string(seconds) + "\n");
  }
  return code;
}

}  // namespace hostsim
