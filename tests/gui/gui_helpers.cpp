// winsock2.h before windows.h, which gui_helpers.h includes.
#include <winsock2.h>
#include <ws2tcpip.h>

#include "gui_helpers.h"

#include <cstdio>

namespace gui {

void Checks::Ok(bool ok, const std::string& what) {
  if (ok) {
    ++passed;
    return;
  }
  ++failures;
  std::printf("FAIL: %s\n", what.c_str());
  std::fflush(stdout);
}

void Checks::Equal(const std::wstring& got, const std::wstring& want, const std::string& what) {
  Ok(got == want, what + ": got \"" + Utf8(got) + "\", want \"" + Utf8(want) + "\"");
}

void Checks::Equal(long long got, long long want, const std::string& what) {
  Ok(got == want, what + ": got " + std::to_string(got) + ", want " + std::to_string(want));
}

std::string Utf8(const std::wstring& w) {
  if (w.empty()) return {};
  int n = WideCharToMultiByte(CP_UTF8, 0, w.data(), static_cast<int>(w.size()), nullptr, 0, nullptr,
                              nullptr);
  std::string s(static_cast<std::size_t>(n), '\0');
  WideCharToMultiByte(CP_UTF8, 0, w.data(), static_cast<int>(w.size()), s.data(), n, nullptr,
                      nullptr);
  return s;
}

std::wstring Wide(const std::string& s) {
  if (s.empty()) return {};
  int n = MultiByteToWideChar(CP_UTF8, 0, s.data(), static_cast<int>(s.size()), nullptr, 0);
  std::wstring w(static_cast<std::size_t>(n), L'\0');
  MultiByteToWideChar(CP_UTF8, 0, s.data(), static_cast<int>(s.size()), w.data(), n);
  return w;
}

// ---- the process ----

bool Druvo::Start(const std::wstring& exe, const std::wstring& cwd, const std::wstring& qmvdir,
                  const std::vector<std::wstring>& extra) {
  // The environment of the driver without any QMVDIR..., plus QMVDIR when given.
  std::wstring env;
  wchar_t* block = GetEnvironmentStringsW();
  for (const wchar_t* p = block; *p; p += wcslen(p) + 1) {
    std::wstring entry = p;
    if (_wcsnicmp(entry.c_str(), L"QMVDIR", 6) == 0) continue;
    env += entry;
    env.push_back(L'\0');
  }
  FreeEnvironmentStringsW(block);
  if (!qmvdir.empty()) {
    env += L"QMVDIR=" + qmvdir;
    env.push_back(L'\0');
  }
  for (const std::wstring& e : extra) {
    env += e;
    env.push_back(L'\0');
  }
  env.push_back(L'\0');

  std::wstring cmd = L"\"" + exe + L"\"";
  STARTUPINFOW si{};
  si.cb = sizeof si;
  return CreateProcessW(exe.c_str(), cmd.data(), nullptr, nullptr, FALSE,
                        CREATE_UNICODE_ENVIRONMENT, env.data(), cwd.c_str(), &si, &pi_) != FALSE;
}

Druvo::~Druvo() {
  if (!pi_.hProcess) return;
  if (Running()) TerminateProcess(pi_.hProcess, 99);
  WaitForSingleObject(pi_.hProcess, 5000);
  CloseHandle(pi_.hProcess);
  CloseHandle(pi_.hThread);
}

bool Druvo::Running() {
  return pi_.hProcess && WaitForSingleObject(pi_.hProcess, 0) == WAIT_TIMEOUT;
}

bool Druvo::WaitExit(DWORD ms, DWORD& code) {
  if (!pi_.hProcess || WaitForSingleObject(pi_.hProcess, ms) != WAIT_OBJECT_0) return false;
  GetExitCodeProcess(pi_.hProcess, &code);
  return true;
}

bool Druvo::SendDpiChanged(HWND window, UINT dpi, int clientWidth, int clientHeight) {
  RECT r{0, 0, clientWidth, clientHeight};
  AdjustWindowRectExForDpi(&r, static_cast<DWORD>(GetWindowLongW(window, GWL_STYLE)), FALSE,
                           static_cast<DWORD>(GetWindowLongW(window, GWL_EXSTYLE)), dpi);
  RECT now{};
  GetWindowRect(window, &now);
  RECT suggested{now.left, now.top, now.left + r.right - r.left, now.top + r.bottom - r.top};
  // The rectangle travels by pointer, so it must lie in the program's own memory.
  void* remote = VirtualAllocEx(pi_.hProcess, nullptr, sizeof suggested, MEM_COMMIT | MEM_RESERVE,
                                PAGE_READWRITE);
  if (!remote) return false;
  bool ok =
      WriteProcessMemory(pi_.hProcess, remote, &suggested, sizeof suggested, nullptr) != FALSE;
  DWORD_PTR result = 0;
  ok =
      ok && SendMessageTimeoutW(window, WM_DPICHANGED, MAKEWPARAM(dpi, dpi),
                                reinterpret_cast<LPARAM>(remote), SMTO_ABORTIFHUNG, 10000, &result);
  VirtualFreeEx(pi_.hProcess, remote, 0, MEM_RELEASE);
  return ok;
}

namespace {

struct FindArgs {
  DWORD pid;
  const wchar_t* cls;
  const std::wstring* title;
  HWND found;
};

BOOL CALLBACK FindTopProc(HWND h, LPARAM lp) {
  auto* a = reinterpret_cast<FindArgs*>(lp);
  DWORD pid = 0;
  GetWindowThreadProcessId(h, &pid);
  if (pid != a->pid || !IsWindowVisible(h)) return TRUE;
  wchar_t cls[64] = {};
  GetClassNameW(h, cls, 64);
  if (wcscmp(cls, a->cls) != 0) return TRUE;
  if (a->title && GetText(h) != *a->title) return TRUE;
  a->found = h;
  return FALSE;
}

bool Poll(DWORD ms, const auto& done) {
  const ULONGLONG end = GetTickCount64() + ms;
  for (;;) {
    if (done()) return true;
    if (GetTickCount64() >= end) return false;
    Sleep(25);
  }
}

}  // namespace

HWND Druvo::FindTop(const wchar_t* cls, const std::wstring* title) {
  FindArgs a{pi_.dwProcessId, cls, title, nullptr};
  EnumWindows(FindTopProc, reinterpret_cast<LPARAM>(&a));
  return a.found;
}

HWND Druvo::WaitWindow(const wchar_t* cls, const std::wstring& title, DWORD ms) {
  HWND h = nullptr;
  // Windows of other programs in the same Wine session may carry the same title: only this
  // process's window counts. A program that ends before its window shows fails at once.
  Poll(ms, [&] { return (h = FindTop(cls, &title)) != nullptr || !Running(); });
  return h;
}

HWND Druvo::FindMessageBox() { return FindTop(L"#32770", nullptr); }

HWND Druvo::WaitMessageBox(DWORD ms) {
  HWND h = nullptr;
  Poll(ms, [&] { return (h = FindMessageBox()) != nullptr || !Running(); });
  return h;
}

// ---- controls ----

std::wstring GetText(HWND h) {
  DWORD_PTR len = 0;
  if (!SendMessageTimeoutW(h, WM_GETTEXTLENGTH, 0, 0, SMTO_ABORTIFHUNG, 5000, &len)) return L"?";
  std::wstring s(len + 1, L'\0');
  DWORD_PTR got = 0;
  SendMessageTimeoutW(h, WM_GETTEXT, len + 1, reinterpret_cast<LPARAM>(s.data()), SMTO_ABORTIFHUNG,
                      5000, &got);
  s.resize(got);
  return s;
}

void SetText(HWND h, const std::wstring& text) {
  DWORD_PTR r = 0;
  SendMessageTimeoutW(h, WM_SETTEXT, 0, reinterpret_cast<LPARAM>(text.c_str()), SMTO_ABORTIFHUNG,
                      5000, &r);
}

void Click(HWND button) { PostMessageW(button, BM_CLICK, 0, 0); }

void Type(HWND h, const std::wstring& chars) {
  for (wchar_t c : chars) PostMessageW(h, WM_CHAR, c, 1);
}

void PressKey(HWND h, UINT vk) {
  PostMessageW(h, WM_KEYDOWN, vk, 1);
  PostMessageW(h, WM_KEYUP, vk, static_cast<LPARAM>(0xC0000001u));
}

RECT ClientRectIn(HWND control, HWND parent) {
  RECT r{};
  GetWindowRect(control, &r);
  MapWindowPoints(HWND_DESKTOP, parent, reinterpret_cast<POINT*>(&r), 2);
  return r;
}

HWND FocusOf(DWORD threadId) {
  GUITHREADINFO gti{};
  gti.cbSize = sizeof gti;
  if (!GetGUIThreadInfo(threadId, &gti)) return nullptr;
  return gti.hwndFocus;
}

bool WaitFocus(DWORD threadId, HWND want, DWORD ms) {
  return Poll(ms, [&] { return FocusOf(threadId) == want; });
}

bool WaitGone(HWND h, DWORD ms) {
  return Poll(ms, [&] { return !IsWindow(h) || !IsWindowVisible(h); });
}

bool WaitText(HWND h, const std::wstring& want, DWORD ms) {
  return Poll(ms, [&] { return GetText(h) == want; });
}

std::wstring SettledText(HWND h, DWORD ms) {
  std::wstring last = GetText(h);
  ULONGLONG stableSince = GetTickCount64();
  Poll(ms, [&] {
    std::wstring now = GetText(h);
    if (now != last) {
      last = now;
      stableSince = GetTickCount64();
    }
    return GetTickCount64() - stableSince >= 300;
  });
  return last;
}

MessageBoxInfo ReadMessageBox(HWND box) {
  MessageBoxInfo info;
  info.title = GetText(box);
  info.text = GetText(GetDlgItem(box, 0xFFFF));
  for (int id : {IDOK, IDCANCEL, IDYES, IDNO}) {
    HWND b = GetDlgItem(box, id);
    if (b && IsWindowVisible(b)) info.buttons.push_back(id);
  }
  return info;
}

void Answer(HWND box, int id) {
  PostMessageW(box, WM_COMMAND, MAKEWPARAM(id, BN_CLICKED),
               reinterpret_cast<LPARAM>(GetDlgItem(box, id)));
}

int RunToEnd(const std::wstring& exe, const std::wstring& args, DWORD ms) {
  std::wstring cmd = L"\"" + exe + L"\" " + args;
  STARTUPINFOW si{};
  si.cb = sizeof si;
  PROCESS_INFORMATION pi{};
  if (!CreateProcessW(exe.c_str(), cmd.data(), nullptr, nullptr, FALSE, CREATE_NO_WINDOW, nullptr,
                      nullptr, &si, &pi))
    return -1;
  int result = -1;
  if (WaitForSingleObject(pi.hProcess, ms) == WAIT_OBJECT_0) {
    DWORD code = 0;
    GetExitCodeProcess(pi.hProcess, &code);
    result = static_cast<int>(code);
  } else {
    TerminateProcess(pi.hProcess, 99);
  }
  CloseHandle(pi.hProcess);
  CloseHandle(pi.hThread);
  return result;
}

std::wstring ClipboardText() {
  std::wstring text = L"?";
  for (int attempt = 0; attempt < 20; ++attempt) {
    if (OpenClipboard(nullptr)) {
      if (HANDLE h = GetClipboardData(CF_UNICODETEXT)) {
        if (const auto* p = static_cast<const wchar_t*>(GlobalLock(h))) {
          text = p;
          GlobalUnlock(h);
        }
      }
      CloseClipboard();
      break;
    }
    Sleep(50);
  }
  return text;
}

bool ReadCodePageFile(const std::wstring& path, std::wstring& text) {
  HANDLE f = CreateFileW(path.c_str(), GENERIC_READ, FILE_SHARE_READ | FILE_SHARE_WRITE, nullptr,
                         OPEN_EXISTING, FILE_ATTRIBUTE_NORMAL, nullptr);
  if (f == INVALID_HANDLE_VALUE) return false;
  std::string bytes;
  char buf[65536];
  DWORD got = 0;
  while (ReadFile(f, buf, sizeof buf, &got, nullptr) && got > 0) bytes.append(buf, got);
  CloseHandle(f);
  text.clear();
  if (bytes.empty()) return true;
  int n = MultiByteToWideChar(CP_ACP, 0, bytes.data(), static_cast<int>(bytes.size()), nullptr, 0);
  text.resize(static_cast<std::size_t>(n));
  MultiByteToWideChar(CP_ACP, 0, bytes.data(), static_cast<int>(bytes.size()), text.data(), n);
  return true;
}

// ---- files ----

namespace {

void RemoveTree(const std::wstring& path) {
  WIN32_FIND_DATAW d;
  HANDLE h = FindFirstFileW((path + L"\\*").c_str(), &d);
  if (h != INVALID_HANDLE_VALUE) {
    do {
      std::wstring name = d.cFileName;
      if (name == L"." || name == L"..") continue;
      std::wstring full = path + L"\\" + name;
      SetFileAttributesW(full.c_str(), FILE_ATTRIBUTE_NORMAL);
      if (d.dwFileAttributes & FILE_ATTRIBUTE_DIRECTORY)
        RemoveTree(full);
      else
        DeleteFileW(full.c_str());
    } while (FindNextFileW(h, &d));
    FindClose(h);
  }
  RemoveDirectoryW(path.c_str());
}

}  // namespace

TempFolder::TempFolder() {
  wchar_t tmp[MAX_PATH + 1] = {};
  GetTempPathW(MAX_PATH, tmp);
  std::wstring base = tmp;
  if (!base.empty() && base.back() == L'\\') base.pop_back();
  for (unsigned n = GetTickCount() ^ GetCurrentProcessId();; ++n) {
    path_ = base + L"\\druvo-gui-" + std::to_wstring(n % 1000000);
    if (CreateDirectoryW(path_.c_str(), nullptr)) break;
  }
}

TempFolder::~TempFolder() { RemoveTree(path_); }

bool MakeFolder(const std::wstring& path) {
  return CreateDirectoryW(path.c_str(), nullptr) != FALSE;
}

bool WriteEmptyFile(const std::wstring& path) {
  HANDLE h = CreateFileW(path.c_str(), GENERIC_WRITE, 0, nullptr, CREATE_ALWAYS,
                         FILE_ATTRIBUTE_NORMAL, nullptr);
  if (h == INVALID_HANDLE_VALUE) return false;
  CloseHandle(h);
  return true;
}

bool SetLocalModified(const std::wstring& path, int y, int mo, int d, int h, int mi) {
  SYSTEMTIME local{};
  local.wYear = static_cast<WORD>(y);
  local.wMonth = static_cast<WORD>(mo);
  local.wDay = static_cast<WORD>(d);
  local.wHour = static_cast<WORD>(h);
  local.wMinute = static_cast<WORD>(mi);
  SYSTEMTIME utc{};
  FILETIME ft{};
  if (!TzSpecificLocalTimeToSystemTime(nullptr, &local, &utc) || !SystemTimeToFileTime(&utc, &ft))
    return false;
  HANDLE f = CreateFileW(path.c_str(), FILE_WRITE_ATTRIBUTES, FILE_SHARE_READ | FILE_SHARE_WRITE,
                         nullptr, OPEN_EXISTING, FILE_ATTRIBUTE_NORMAL, nullptr);
  if (f == INVALID_HANDLE_VALUE) return false;
  const bool ok = SetFileTime(f, nullptr, nullptr, &ft) != FALSE;
  CloseHandle(f);
  return ok;
}

bool WriteBytes(const std::wstring& path, const std::string& bytes, bool append) {
  HANDLE h = CreateFileW(path.c_str(), append ? FILE_APPEND_DATA : GENERIC_WRITE, 0, nullptr,
                         append ? OPEN_ALWAYS : CREATE_ALWAYS, FILE_ATTRIBUTE_NORMAL, nullptr);
  if (h == INVALID_HANDLE_VALUE) return false;
  DWORD written = 0;
  const bool ok = WriteFile(h, bytes.data(), static_cast<DWORD>(bytes.size()), &written, nullptr) &&
                  written == bytes.size();
  CloseHandle(h);
  return ok;
}

DWORD AnswerTime(HWND w, DWORD limit) {
  const ULONGLONG start = GetTickCount64();
  DWORD_PTR r = 0;
  if (!SendMessageTimeoutW(w, WM_NULL, 0, 0, SMTO_NORMAL, limit, &r)) return limit;
  return static_cast<DWORD>(GetTickCount64() - start);
}

bool AgreesToLogOff(HWND w, bool& answered) {
  DWORD_PTR r = 0;
  answered = SendMessageTimeoutW(w, WM_QUERYENDSESSION, 0, ENDSESSION_LOGOFF, SMTO_NORMAL, 5000,
                                 &r) != 0;
  return answered && r != FALSE;
}

SilentRelay::SilentRelay() : sock_(INVALID_SOCKET) {
  WSADATA data{};
  if (WSAStartup(MAKEWORD(2, 2), &data) != 0) return;
  SOCKET s = socket(AF_INET, SOCK_STREAM, IPPROTO_TCP);
  if (s == INVALID_SOCKET) return;
  sockaddr_in a{};
  a.sin_family = AF_INET;
  a.sin_addr.s_addr = htonl(INADDR_LOOPBACK);
  a.sin_port = 0;
  int len = sizeof a;
  if (bind(s, reinterpret_cast<sockaddr*>(&a), sizeof a) != 0 || listen(s, 8) != 0 ||
      getsockname(s, reinterpret_cast<sockaddr*>(&a), &len) != 0) {
    closesocket(s);
    return;
  }
  sock_ = s;
  address_ = L"127.0.0.1:" + std::to_wstring(ntohs(a.sin_port));
}

SilentRelay::~SilentRelay() {
  if (sock_ != INVALID_SOCKET) closesocket(static_cast<SOCKET>(sock_));
}

std::wstring OwnFolder() {
  wchar_t buf[MAX_PATH * 4] = {};
  GetModuleFileNameW(nullptr, buf, static_cast<DWORD>(std::size(buf)));
  std::wstring p = buf;
  return p.substr(0, p.find_last_of(L"\\/"));
}

}  // namespace gui
