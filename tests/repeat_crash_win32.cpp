#include <windows.h>
#include <shellapi.h>

#include <cwchar>

#include "repeat_crash.h"
#include "sys/fs.h"
#include "sys/wide_win32.h"

namespace repeat_crash {

namespace {

constexpr wchar_t kCrashVariable[] = L"DRUVO_CRASH_AT_RENAME=";

// Quotes one argument so that CommandLineToArgvW gives it back unchanged: backslashes
// are doubled only where they come before a quote.
std::wstring Quote(const std::wstring& arg) {
  std::wstring out = L"\"";
  std::size_t backslashes = 0;
  for (wchar_t c : arg) {
    if (c == L'\\') {
      ++backslashes;
      continue;
    }
    out.append(c == L'"' ? backslashes * 2 + 1 : backslashes, L'\\');
    backslashes = 0;
    out.push_back(c);
  }
  out.append(backslashes * 2, L'\\');
  out.push_back(L'"');
  return out;
}

}  // namespace

std::vector<std::string> Arguments(int, char**) {
  int n = 0;
  LPWSTR* w = CommandLineToArgvW(GetCommandLineW(), &n);
  std::vector<std::string> out;
  for (int i = 1; w && i < n; ++i) out.push_back(sys::Narrow(w[i]));
  if (w) LocalFree(w);
  return out;
}

int RunSelf(const std::vector<std::string>& args, long crashAt) {
  std::wstring self = sys::Widen(sys::ExecutablePath());
  std::wstring commandLine = Quote(self);
  for (const auto& a : args) commandLine += L" " + Quote(sys::Widen(a));

  // The child's own environment block: the parent never carries the variable itself.
  std::wstring block;
  if (wchar_t* env = GetEnvironmentStringsW()) {
    const std::size_t prefix = std::wcslen(kCrashVariable);
    for (wchar_t* p = env; *p; p += std::wcslen(p) + 1) {
      if (_wcsnicmp(p, kCrashVariable, prefix) == 0) continue;
      block += p;
      block.push_back(L'\0');
    }
    FreeEnvironmentStringsW(env);
  }
  if (crashAt > 0) {
    block += kCrashVariable + std::to_wstring(crashAt);
    block.push_back(L'\0');
  }
  block.push_back(L'\0');

  STARTUPINFOW si{};
  si.cb = sizeof si;
  PROCESS_INFORMATION pi{};
  if (!CreateProcessW(self.c_str(), commandLine.data(), nullptr, nullptr, FALSE,
                      CREATE_UNICODE_ENVIRONMENT | CREATE_NO_WINDOW, block.data(), nullptr, &si, &pi))
    return -1;
  WaitForSingleObject(pi.hProcess, INFINITE);
  DWORD code = 0;
  bool ok = GetExitCodeProcess(pi.hProcess, &code) != 0;
  CloseHandle(pi.hThread);
  CloseHandle(pi.hProcess);
  return ok ? static_cast<int>(code) : -1;
}

}  // namespace repeat_crash
