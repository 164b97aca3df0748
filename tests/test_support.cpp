#include "test_support.h"

#include <gtest/gtest.h>

#include <atomic>
#include <chrono>
#include <ctime>
#include <filesystem>
#include <fstream>
#include <functional>
#include <random>
#include <cstdio>
#include <cstdlib>

#include "sys/env.h"
#include "sys/fs.h"

#ifdef _WIN32
#include <windows.h>

#include "sys/wide_win32.h"
#else
#include <sys/wait.h>
#include <unistd.h>
#endif

namespace fs = std::filesystem;

namespace testing_support {

TempDir::TempDir() {
  static std::atomic<int> counter{0};
  std::random_device rd;
  fs::path p = fs::temp_directory_path() /
               ("druvo-test-" + std::to_string(rd()) + "-" + std::to_string(counter++));
  fs::create_directories(p);
  path_ = p.string();
}

TempDir::~TempDir() {
  std::error_code ec;
  fs::permissions(path_, fs::perms::owner_all, fs::perm_options::add, ec);
  fs::remove_all(path_, ec);
}

std::string TempDir::operator/(std::string_view relative) const {
  return (fs::path(path_) / fs::path(std::string(relative)).make_preferred()).string();
}

void WriteFile(const std::string& path, std::string_view bytes) {
  fs::path p(path);
  if (p.has_parent_path()) fs::create_directories(p.parent_path());
  std::ofstream out(p, std::ios::binary | std::ios::trunc);
  out.write(bytes.data(), static_cast<std::streamsize>(bytes.size()));
  ASSERT_TRUE(out.good()) << path;
}

std::string ReadFile(const std::string& path) {
  std::ifstream in(fs::path(path), std::ios::binary);
  return std::string(std::istreambuf_iterator<char>(in), {});
}

bool Exists(const std::string& path) { return fs::exists(fs::path(path)); }

#ifdef _WIN32
namespace {

// Runs a Unix command under Wine on the Unix names of the paths; false elsewhere.
bool RunUnixCommand(const std::string& command, std::initializer_list<std::string> paths) {
  // Wine alone has this function, and starts Unix programs as it starts Windows ones.
  using UnixName = char* (*)(const wchar_t*);
  const auto unixName = reinterpret_cast<UnixName>(
      reinterpret_cast<void*>(GetProcAddress(GetModuleHandleW(L"kernel32.dll"), "wine_get_unix_file_name")));
  if (!unixName) return false;
  std::string text = command;
  for (const std::string& path : paths) {
    char* name = unixName(sys::Widen(path).c_str());
    if (!name) return false;
    text += ' ';  // step by step: MinGW's -Wrestrict misfires on a sum of temporaries
    text += Quote(name);
    HeapFree(GetProcessHeap(), 0, name);
  }
  std::wstring line = sys::Widen(text);
  STARTUPINFOW si{};
  si.cb = sizeof si;
  PROCESS_INFORMATION pi{};
  if (!CreateProcessW(nullptr, line.data(), nullptr, nullptr, FALSE, CREATE_NO_WINDOW, nullptr, nullptr, &si, &pi))
    return false;
  CloseHandle(pi.hThread);
  CloseHandle(pi.hProcess);
  return true;
}

// Wine's handle of a Unix process does not wait for its end: its effect is waited for.
bool Within5s(const std::function<bool()>& done) {
  for (int i = 0; i < 500 && !done(); ++i) Sleep(10);
  return done();
}

}  // namespace
#endif

bool MakeSymbolicLink(const std::string& target, const std::string& at) {
#ifdef _WIN32
  // Seen made when it is found: its target exists.
  return RunUnixCommand("/bin/ln -s", {target, at}) && Within5s([&] { return fs::exists(fs::path(at)); });
#else
  return symlink(target.c_str(), at.c_str()) == 0;
#endif
}

void RemoveSymbolicLink(const std::string& at) {
#ifdef _WIN32
  if (RunUnixCommand("/bin/rm -f", {at})) Within5s([&] { return !fs::exists(fs::path(at)); });
#else
  unlink(at.c_str());
#endif
}

void SetModified(const std::string& path, int year, int month, int day, int hour, int minute) {
  std::tm t{};
  t.tm_year = year - 1900;
  t.tm_mon = month - 1;
  t.tm_mday = day;
  t.tm_hour = hour;
  t.tm_min = minute;
  t.tm_isdst = -1;
  std::time_t when = std::mktime(&t);
  auto sys_when = std::chrono::system_clock::from_time_t(when);
  auto file_when = std::chrono::file_clock::from_sys(sys_when);
  fs::last_write_time(fs::path(path), file_when);
}

void SetEnv(const std::string& name, const std::string& value) {
#ifdef _WIN32
  _putenv_s(name.c_str(), value.c_str());
#else
  setenv(name.c_str(), value.c_str(), 1);
#endif
}

void UnsetEnv(const std::string& name) {
#ifdef _WIN32
  _putenv_s(name.c_str(), "");
#else
  unsetenv(name.c_str());
#endif
}

CurrentFolderGuard::CurrentFolderGuard() : saved_(fs::current_path().string()) {}
CurrentFolderGuard::~CurrentFolderGuard() {
  std::error_code ec;
  fs::current_path(saved_, ec);
}

std::string BinDir() { return fs::path(sys::ExecutablePath()).parent_path().string(); }

std::string Program(const std::string& name) {
#ifdef _WIN32
  return (fs::path(BinDir()) / (name + ".exe")).string();
#else
  return (fs::path(BinDir()) / name).string();
#endif
}

std::string Quote(const std::string& s) { return "\"" + s + "\""; }

int RunProgram(const std::string& program, const std::string& args,
               const std::string& stdoutFile, const std::string& stderrFile) {
#ifdef _WIN32
  // Started directly rather than through cmd.exe, so that a failure to start says why
  // instead of ending as cmd's "not recognized" (9009).
  SECURITY_ATTRIBUTES sa{sizeof sa, nullptr, TRUE};
  const std::wstring outName = stdoutFile.empty() ? L"NUL" : sys::Widen(stdoutFile);
  const std::wstring errName = stderrFile.empty() ? L"NUL" : sys::Widen(stderrFile);
  HANDLE out = CreateFileW(outName.c_str(), GENERIC_WRITE, FILE_SHARE_READ | FILE_SHARE_WRITE, &sa,
                           CREATE_ALWAYS, FILE_ATTRIBUTE_NORMAL, nullptr);
  HANDLE err = CreateFileW(errName.c_str(), GENERIC_WRITE, FILE_SHARE_READ | FILE_SHARE_WRITE, &sa,
                           CREATE_ALWAYS, FILE_ATTRIBUTE_NORMAL, nullptr);
  HANDLE nul = CreateFileW(L"NUL", GENERIC_READ | GENERIC_WRITE, FILE_SHARE_READ | FILE_SHARE_WRITE,
                           &sa, OPEN_EXISTING, FILE_ATTRIBUTE_NORMAL, nullptr);
  STARTUPINFOW si{};
  si.cb = sizeof si;
  si.dwFlags = STARTF_USESTDHANDLES;
  si.hStdInput = nul;
  si.hStdOutput = out;
  si.hStdError = err;
  std::wstring line = sys::Widen(Quote(program) + " " + args);
  PROCESS_INFORMATION pi{};
  const BOOL started = CreateProcessW(sys::Widen(program).c_str(), line.data(), nullptr, nullptr, TRUE,
                                      CREATE_NO_WINDOW, nullptr, nullptr, &si, &pi);
  const DWORD startError = started ? 0 : GetLastError();
  if (out != INVALID_HANDLE_VALUE) CloseHandle(out);
  if (err != INVALID_HANDLE_VALUE) CloseHandle(err);
  if (nul != INVALID_HANDLE_VALUE) CloseHandle(nul);
  if (!started) {
    std::fprintf(stderr, "cannot start %s: system error %lu\n", program.c_str(), startError);
    return -1;
  }
  WaitForSingleObject(pi.hProcess, INFINITE);
  DWORD code = 0;
  const bool ok = GetExitCodeProcess(pi.hProcess, &code) != 0;
  CloseHandle(pi.hThread);
  CloseHandle(pi.hProcess);
  return ok ? static_cast<int>(code) : -1;
#else
  const std::string out = stdoutFile.empty() ? "/dev/null" : Quote(stdoutFile);
  const std::string err = stderrFile.empty() ? "/dev/null" : Quote(stderrFile);
  int rc = std::system((Quote(program) + " " + args + " >" + out + " 2>" + err).c_str());
  return WIFEXITED(rc) ? WEXITSTATUS(rc) : -1;
#endif
}

int RunConsoleProgram(const std::string& args, const std::string& stdoutFile,
                      const std::string& stderrFile) {
#ifdef _WIN32
  return RunProgram(Program("druvo-cli"), args, stdoutFile, stderrFile);
#else
  return RunProgram(Program("druvo"), args, stdoutFile, stderrFile);
#endif
}

namespace {
constexpr char kChildVariable[] = "DRUVO_TEST_CHILD";
}

bool RunningAsChild() {
  const auto* info = ::testing::UnitTest::GetInstance()->current_test_info();
  const auto child = sys::GetVariable(kChildVariable);
  return info && child && *child == std::string(info->test_suite_name()) + "." + info->name();
}

AsChild::AsChild(const std::string& test) : filter("--gtest_filter=" + test) { SetEnv(kChildVariable, test); }

AsChild::~AsChild() { UnsetEnv(kChildVariable); }

}  // namespace testing_support

int main(int argc, char** argv) {
  ::testing::InitGoogleTest(&argc, argv);
  return RUN_ALL_TESTS();
}
