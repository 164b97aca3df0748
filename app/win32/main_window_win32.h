// frmDRUVO as a native window: the controls at their designed places, and the View that
// the operations of MainWindow use to read and write them.
#pragma once

#include <windows.h>

#include <array>
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
  ITaskbarList3* taskbar_ = nullptr;
  bool taskbarFailed_ = false;
};

}  // namespace druvo::win32
