// Ctrl-C during `druvo-cli run`, delivered through a console as Windows delivers it: to
// every process attached to it. The console is a hidden one, made for a helper (this test
// program started again) that runs druvo-cli.exe in it and presses Ctrl-C there.
#include <gtest/gtest.h>
#include <windows.h>

#include <filesystem>
#include <string>

#include "hostsim/demo.h"
#include "run_fixture.h"
#include "sys/fs.h"
#include "sys/wide_win32.h"
#include "test_support.h"

using namespace testing_support;

namespace {

namespace fs = std::filesystem;
constexpr auto npos = std::string::npos;

BOOL WINAPI Survive(DWORD) { return TRUE; }

}  // namespace

// Run only as a child by the test below, in the demo installation's folder.
TEST(CtrlC, ChildPressesCtrlCWhileTheUtilityWorks) {
  DRUVO_CHILD_ONLY();
  // Ctrl-C as a console user has it: enabled (a new process group starts with it ignored,
  // and passes that on), and this helper lives on.
  SetConsoleCtrlHandler(nullptr, FALSE);
  SetConsoleCtrlHandler(Survive, TRUE);
  SetEnvironmentVariableW(L"RCX_DELAY_MS", L"1000");
  SetEnvironmentVariableW(L"DRUVO_SMTP_RELAY", L"127.0.0.1:9");  // the mail fails at once
  const std::string here = sys::CurrentFolder();
  SECURITY_ATTRIBUTES sa{sizeof sa, nullptr, TRUE};
  HANDLE err =
      CreateFileW(L"err.txt", GENERIC_WRITE, FILE_SHARE_READ, &sa, CREATE_ALWAYS, 0, nullptr);
  HANDLE nul = CreateFileW(L"NUL", GENERIC_READ | GENERIC_WRITE, 0, &sa, OPEN_EXISTING, 0, nullptr);
  STARTUPINFOW si{};
  si.cb = sizeof si;
  si.dwFlags = STARTF_USESTDHANDLES;
  si.hStdInput = nul;
  si.hStdOutput = nul;
  si.hStdError = err;
  std::wstring line =
      sys::Widen(Quote(Program("druvo-cli")) + " run --yes --customer 4711 --program-folder " +
                 Quote(here + "\\QMV") + " --database-folder " + Quote(here + "\\DATA"));
  PROCESS_INFORMATION pi{};
  ASSERT_TRUE(
      CreateProcessW(nullptr, line.data(), nullptr, nullptr, TRUE, 0, nullptr, nullptr, &si, &pi));
  // The record line is written right before the utility gets the first data file.
  for (int i = 0; i < 600 && !Exists("DATA\\DRUVO.REC"); ++i) Sleep(50);
  Sleep(300);
  GenerateConsoleCtrlEvent(CTRL_C_EVENT, 0);
  WaitForSingleObject(pi.hProcess, 60000);
  DWORD code = 0;
  GetExitCodeProcess(pi.hProcess, &code);
  sys::WriteWholeFile("exit.txt", std::to_string(code));
}

TEST(CtrlC, FirstEndsTheRunAfterTheFileInHandWithItsLogAndExitCode130) {
  TempDir dir;
  CurrentFolderGuard guard;
  std::string error;
  ASSERT_TRUE(WriteDemoInstallation(dir.path(), &error)) << error;
  const std::string first = dir / "DATA/QWIMAPD.DAT";
  const std::string second = dir / "DATA/QWAOMVSQ.DAT";
  const std::string before = ReadFile(first), secondBefore = ReadFile(second);
  ASSERT_TRUE(sys::SetCurrentFolder(dir.path()));
  // A console of its own without a window, as CREATE_NO_WINDOW makes one.
  const testing_support::AsChild child("CtrlC.ChildPressesCtrlCWhileTheUtilityWorks");
  ASSERT_EQ(RunProgram(sys::ExecutablePath(), child.filter), 0);

  EXPECT_EQ(ReadFile(dir / "exit.txt"), "130");
  const std::string converted = ReadFile(first);
  EXPECT_EQ(CountValidIsbn10(converted), 0);
  EXPECT_EQ(CountEan13(converted), CountValidIsbn10(before));
  EXPECT_TRUE(ReadFile(dir / "DATA/QWIMAPD.13") == before) << "the marker is not the file before";
  EXPECT_TRUE(ReadFile(second) == secondBefore) << "the second file was handed over";
  EXPECT_FALSE(Exists(dir / "DATA/QWAOMVSQ.13"));
  const std::string log = ReadFile(dir / "QMV/DRUVO.Log");
  EXPECT_NE(log.find("; onderbroken, niet aangeboden: 31"), npos) << log;
  EXPECT_NE(log.find(" Conversie onderbroken..."), npos) << log;
  EXPECT_NE(ReadFile(dir / "err.txt").find("de conversie stopt na het bestand"), npos);
}
