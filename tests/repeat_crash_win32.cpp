#include <windows.h>
#include <shellapi.h>

#include <cwchar>

#include "repeat_crash.h"
#include "sys/fs.h"
#include "sys/wide_win32.h"

namespace repeat_crash {

namespace {


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

int RunSelf(const std::vector<std::string>& args) {
  std::wstring self = sys::Widen(sys::ExecutablePath());
  std::wstring commandLine = Quote(self);
  for (const auto& a : args) commandLine += L" " + Quote(sys::Widen(a));

  STARTUPINFOW si{};
  si.cb = sizeof si;
  PROCESS_INFORMATION pi{};
  if (!CreateProcessW(self.c_str(), commandLine.data(), nullptr, nullptr, FALSE,
                      CREATE_NO_WINDOW, nullptr, nullptr, &si, &pi))
    return -1;
  WaitForSingleObject(pi.hProcess, INFINITE);
  DWORD code = 0;
  bool ok = GetExitCodeProcess(pi.hProcess, &code) != 0;
  CloseHandle(pi.hThread);
  CloseHandle(pi.hProcess);
  return ok ? static_cast<int>(code) : -1;
}

}  // namespace repeat_crash
