// Driving the real DRUVO.exe from another process: start it, find its windows, read and
// write its controls, answer its message boxes. Every wait has a time limit.
#pragma once

#include <windows.h>

#include <cstdint>
#include <string>
#include <vector>

namespace gui {

/// Failures are counted and printed; the driver's exit code is their number (capped).
struct Checks {
  int failures = 0;
  int passed = 0;
  void Ok(bool ok, const std::string& what);
  void Equal(const std::wstring& got, const std::wstring& want, const std::string& what);
  void Equal(long long got, long long want, const std::string& what);
};

std::string Utf8(const std::wstring& w);
std::wstring Wide(const std::string& s);

/// A started DRUVO.exe.
class Druvo {
 public:
  /// Starts the program with the working directory `cwd` and QMVDIR set to `qmvdir`
  /// (removed from the environment when empty), plus the "NAME=value" entries of `extra`.
  bool Start(const std::wstring& exe, const std::wstring& cwd, const std::wstring& qmvdir,
             const std::vector<std::wstring>& extra = {});
  ~Druvo();

  /// Waits for the top-level window of this process with the class and title.
  HWND WaitWindow(const wchar_t* cls, const std::wstring& title, DWORD ms = 20000);
  /// Waits for a message box (#32770) of this process; nullptr after `ms`.
  HWND WaitMessageBox(DWORD ms = 10000);
  /// A visible message box of this process now, or nullptr.
  HWND FindMessageBox();
  /// Whether the process has ended within `ms`; its exit code in `code`.
  bool WaitExit(DWORD ms, DWORD& code);
  bool Running();
  /// Sends WM_DPICHANGED to a window of the process, as the system does when the window
  /// moves to a monitor of another DPI; the suggested rectangle keeps its top left corner.
  bool SendDpiChanged(HWND window, UINT dpi, int clientWidth, int clientHeight);
  DWORD threadId() const { return pi_.dwThreadId; }
  DWORD processId() const { return pi_.dwProcessId; }

 private:
  HWND FindTop(const wchar_t* cls, const std::wstring* title);
  PROCESS_INFORMATION pi_{};
};

std::wstring GetText(HWND h);
void SetText(HWND h, const std::wstring& text);
/// Posts a click (the way a modal box opened by the click does not block the driver).
void Click(HWND button);
/// Posts the characters as typed keys to a control.
void Type(HWND h, const std::wstring& chars);
/// Posts a key press (down and up).
void PressKey(HWND h, UINT vk);

/// The control's rectangle in its parent's client area.
RECT ClientRectIn(HWND control, HWND parent);
/// The control that has the keyboard focus in the thread.
HWND FocusOf(DWORD threadId);
/// Waits until `want` has the focus in the thread.
bool WaitFocus(DWORD threadId, HWND want, DWORD ms = 5000);
/// Waits until the window is gone.
bool WaitGone(HWND h, DWORD ms = 5000);
/// The control's text once it has stopped changing (posted keys are all handled).
std::wstring SettledText(HWND h, DWORD ms = 5000);
/// Waits until the control's text equals `want`.
bool WaitText(HWND h, const std::wstring& want, DWORD ms = 5000);

/// The text of a message box and the ids of its buttons.
struct MessageBoxInfo {
  std::wstring title;
  std::wstring text;
  std::vector<int> buttons;  // IDOK, IDCANCEL, IDYES, IDNO present and visible
};
MessageBoxInfo ReadMessageBox(HWND box);
/// Presses a button of a message box by its id.
void Answer(HWND box, int id);

/// How long the window's thread takes to answer a message (WM_NULL), in milliseconds;
/// `limit` when it did not answer within `limit`.
DWORD AnswerTime(HWND w, DWORD limit = 1000);
/// Asks the window as Windows does before a log-off (WM_QUERYENDSESSION): true when it
/// agrees. `answered` is false when it gave no answer within 5 s.
bool AgreesToLogOff(HWND w, bool& answered);

/// A relay that never answers: a socket listening on 127.0.0.1 that never accepts, so a
/// connection to it is made by the system and then hears nothing.
class SilentRelay {
 public:
  SilentRelay();
  ~SilentRelay();
  /// "127.0.0.1:port"; empty when no socket could be opened.
  const std::wstring& address() const { return address_; }

 private:
  std::uintptr_t sock_;
  std::wstring address_;
};

/// Writes bytes to a file, replacing it; appends when `append`.
bool WriteBytes(const std::wstring& path, const std::string& bytes, bool append);

/// Runs a console program to its end; its exit code, or -1 when it did not end in `ms`.
int RunToEnd(const std::wstring& exe, const std::wstring& args, DWORD ms);
/// The clipboard's text (CF_UNICODETEXT); "?" when there is none.
std::wstring ClipboardText();
/// A file's bytes as text in the system code page.
bool ReadCodePageFile(const std::wstring& path, std::wstring& text);

/// A fresh folder under the temporary folder, removed with its content at the end.
class TempFolder {
 public:
  TempFolder();
  ~TempFolder();
  const std::wstring& path() const { return path_; }
  std::wstring operator/(const std::wstring& rel) const { return path_ + L"\\" + rel; }

 private:
  std::wstring path_;
};

bool MakeFolder(const std::wstring& path);
bool WriteEmptyFile(const std::wstring& path);
/// Sets a file's last-modified time as local time.
bool SetLocalModified(const std::wstring& path, int y, int mo, int d, int h, int mi);
/// The folder of the driver's own executable.
std::wstring OwnFolder();

}  // namespace gui
