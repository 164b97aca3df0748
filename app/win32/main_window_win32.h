// frmDRUVO as a native window: the controls at their designed places, and the View that
// the operations of MainWindow use to read and write them.
#pragma once

#include <windows.h>

#include <array>
#include <chrono>
#include <string>
#include <string_view>

#include "model/main_window.h"
#include "model/view.h"

struct ITaskbarList3;

namespace druvo::win32 {

class Win32MainWindow : public View {
 public:
  explicit Win32MainWindow(HINSTANCE instance);
  ~Win32MainWindow() override;
  Win32MainWindow(const Win32MainWindow&) = delete;
  Win32MainWindow& operator=(const Win32MainWindow&) = delete;

  /// Creates the window and its controls, hidden, at the DPI of the primary monitor, with
  /// "AT" in txtExtensie and Option1 selected. False when no window can be made (no display).
  bool Create(MainWindow& model);
  /// Centres the window on its screen, shows it, and puts the focus on Option1.
  void Show();
  HWND hwnd() const { return hwnd_; }

  // View.
  std::string Text(Control box) override;
  void SetText(Control box, const std::string& text) override;
  bool IsOption1Selected() override;
  void SetEnabled(Control button, bool enabled) override;
  void SetFocus(Control control) override;
  Answer Ask(const std::string& text, Buttons buttons) override;
  void Repaint() override;
  void DoEvents() override;
  void LogAppended(std::string_view text) override;
  void LogTrimmed(std::string_view removed) override;
  void LogCaretToEnd() override;
  bool PutOnClipboard(const std::string& text) override;
  [[noreturn]] void Quit() override;
  void Progress(int done, int total) override;

  /// Writes what the log view gathered since the last time into txtLog: one trim at its
  /// start, one append at its end, one scroll. Called before the window's messages run
  /// (every pass of PumpPendingMessages, a message box, a repaint) and when a Start ends,
  /// so that the box shows the log view's newest text whenever it can be seen or read.
  void FlushLog();

  /// How long DoEvents lets a run work before the window's messages run again, and the
  /// longest the log view's text waits before it reaches txtLog.
  static constexpr std::chrono::milliseconds kEventSlice{50};

 private:
  static LRESULT CALLBACK WindowProc(HWND hwnd, UINT msg, WPARAM wp, LPARAM lp);
  LRESULT Handle(UINT msg, WPARAM wp, LPARAM lp);

  // Named handlers of the window procedure.
  void OnCreate();
  void OnCommand(int id, int code);
  void OnStartClicked();
  void OnStopClicked();
  void OnBrowseClicked(bool programFolder);
  void OnLogChanged();
  void OnStatusChanged();
  bool OnClose();
  /// WM_QUERYENDSESSION: Windows asks whether the session may end (log-off, shut-down).
  bool OnQueryEndSession();
  /// Tells Windows why a log-off or shut-down must wait (Vista and later), or no more.
  void BlockShutdown(bool block);
  void OnDpiChanged(UINT dpi, const RECT& suggested);
  void OnActivate(bool active);
  void OnSetFocus();

  void MakeFonts();
  void LayOut();
  void LoadImage1();
  HWND Item(Control c) const;
  /// Runs a handler of a click; nothing it throws leaves the window procedure.
  template <class F>
  void Guarded(F&& f);

  HINSTANCE instance_;
  HWND hwnd_ = nullptr;
  MainWindow* model_ = nullptr;
  UINT dpi_ = USER_DEFAULT_SCREEN_DPI;
  HFONT font_ = nullptr;       // the window's font: MS Sans Serif 8 pt
  HFONT titleFont_ = nullptr;  // Label1: MS Sans Serif 12 pt bold
  HBITMAP image1_ = nullptr;
  HWND lastFocus_ = nullptr;  // the control that had the focus when the window was left

  // Changes the program makes to a text box raise EN_CHANGE like typing does; only typing
  // must reach the model.
  int programEdits_ = 0;
  // The status line as the program last set it: a single-line edit shows a text holding
  // line breaks on one line, and the text read back must be the text that was set.
  std::string status_;
  bool statusTyped_ = false;

  bool inStart_ = false;  // inside the click of btnStart
  bool shutdownBlocked_ = false;  // a reason is registered with ShutdownBlockReasonCreate

  // The log view between two event slices. The model's text (MainWindow::log) changes line
  // by line; txtLog receives the changes once per slice (FlushLog): its text is always the
  // model's text once the pending part is written. logControlUnits_ UTF-16 units are in
  // txtLog; the first logControlTrim_ of them are to go; logPending_ (from
  // logPendingStart_ on) is to be appended.
  std::wstring logPending_;
  std::size_t logPendingStart_ = 0;
  std::size_t logControlUnits_ = 0;
  std::size_t logControlTrim_ = 0;
  // Where the caret went last: to the end (an append, LogCaretToEnd) or to the start (a
  // trim), as the per-line edits of txtLog left it.
  enum class LogCaret { kUntouched, kEnd, kStart };
  LogCaret logCaret_ = LogCaret::kUntouched;
  std::chrono::steady_clock::time_point lastEvents_{};
  ITaskbarList3* taskbar_ = nullptr;
  bool taskbarFailed_ = false;
};

}  // namespace druvo::win32
