#include "app/win32/main_window_win32.h"

#include <commctrl.h>
#include <shobjidl.h>

#include <algorithm>
#include <exception>

#include "app/win32/dpi_win32.h"
#include "app/win32/message_loop_win32.h"
#include "app/win32/resource.h"
#include "run/start_command.h"
#include "sys/text.h"
#include "sys/wide_win32.h"

namespace druvo::win32 {

namespace {

constexpr wchar_t kTitle[] = L"Kalverom ISBN - EAN conversie";
constexpr int kClientWidth = 10980;  // twips
constexpr int kClientHeight = 7545;
constexpr DWORD kStyle = WS_OVERLAPPEDWINDOW | WS_CLIPCHILDREN;
constexpr DWORD kExStyle = 0;
constexpr int kLogTypingLimit = 50000;
// What Windows shows the user who logs off or shuts down while a run goes (Vista and later).
constexpr wchar_t kShutdownReason[] =
    L"De ISBN - EAN conversie loopt nog: afmelden of afsluiten kan als die klaar is.";

constexpr wchar_t kLabel1Text[] =
    L"Programma voor het converteren van ISBN naar EAN of voor EAN naar ISBN BELANGRIJK :  "
    L"Maak vooraf een backup van uw gegevens.                             Maak Uw keuze en "
    L"druk op Start om de verwerking te starten";
static_assert(sizeof(kLabel1Text) / sizeof(wchar_t) - 1 == 211);

struct ControlDef {
  int id;
  const wchar_t* cls;
  const wchar_t* text;
  int left, top, width, height;  // twips, in the client area
  DWORD style;
  DWORD exStyle;
  int textLimit;  // 0: none
};

constexpr DWORD kLabel = WS_GROUP | SS_LEFT | SS_NOPREFIX;
constexpr DWORD kEdit = WS_GROUP | WS_TABSTOP | ES_LEFT | ES_AUTOHSCROLL;
constexpr DWORD kButton = WS_GROUP | WS_TABSTOP | BS_PUSHBUTTON;

// In creation order, which is the tab order: labels and the picture take no focus, the
// others follow the designed tab indexes (Option1 2 ... btnBrowseData 17).
constexpr ControlDef kControls[] = {
    {IDC_IMAGE1, WC_STATICW, L"", 240, 240, 480, 480, SS_BITMAP | SS_REALSIZECONTROL, 0, 0},
    {IDC_LBLKLANTID, WC_STATICW, L"Klantnummer", 360, 2260, 3015, 375, kLabel, 0, 0},
    {IDC_LABEL1, WC_STATICW, kLabel1Text, 1440, 240, 9375, 1095, kLabel, 0, 0},
    {IDC_OPTION1, WC_BUTTONW, L"ISBN (10) naar EAN (13)", 360, 1560, 3015, 375,
     WS_GROUP | WS_TABSTOP | BS_AUTORADIOBUTTON, 0, 0},
    {IDC_OPTION2, WC_BUTTONW, L"EAN (13) naar ISBN (10)", 5400, 1560, 3015, 375,
     WS_TABSTOP | BS_AUTORADIOBUTTON, 0, 0},
    {IDC_TXTKLANTID, WC_EDITW, L"", 3840, 2260, 975, 375, kEdit, WS_EX_CLIENTEDGE, 8},
    {IDC_LBLEXTENSIE, WC_STATICW, L"Nummer administratie", 5400, 2260, 2055, 255, kLabel, 0, 0},
    {IDC_TXTEXTENSIE, WC_EDITW, L"AT", 7800, 2260, 975, 375, kEdit, WS_EX_CLIENTEDGE, 2},
    {IDC_LBLEXEPATH, WC_STATICW, L"Programma folder", 360, 2760, 3375, 375, kLabel, 0, 0},
    {IDC_TXTEXEPATH, WC_EDITW, L"", 3840, 2760, 6375, 375, kEdit, WS_EX_CLIENTEDGE, 0},
    {IDC_LBLDATABASEPATH, WC_STATICW, L"Database folder", 360, 3260, 3375, 375, kLabel, 0, 0},
    {IDC_TXTDATABASEPATH, WC_EDITW, L"", 3840, 3240, 6375, 375, kEdit, WS_EX_CLIENTEDGE, 0},
    {IDC_LBLBEZIG, WC_STATICW, L"Bezig met bestand", 360, 3840, 3135, 375, kLabel, 0, 0},
    {IDC_TXTBEZIG, WC_EDITW, L"", 3840, 3840, 6975, 375, kEdit, WS_EX_CLIENTEDGE, 0},
    {IDC_TXTLOG, WC_EDITW, L"", 360, 4440, 10455, 2295,
     WS_GROUP | WS_TABSTOP | WS_VSCROLL | ES_LEFT | ES_MULTILINE | ES_AUTOVSCROLL | ES_WANTRETURN,
     WS_EX_CLIENTEDGE, kLogTypingLimit},
    {IDC_BTNCANCEL, WC_BUTTONW, L"Stoppen", 360, 6840, 2175, 615, kButton, 0, 0},
    {IDC_BTNSTART, WC_BUTTONW, L"Start", 9120, 6960, 1695, 495, kButton, 0, 0},
    {IDC_BTNBROWSEPROG, WC_BUTTONW, L"...", 10440, 2760, 375, 375, kButton, 0, 0},
    {IDC_BTNBROWSEDATA, WC_BUTTONW, L"...", 10440, 3240, 375, 375, kButton, 0, 0},
};

int IdOf(Control c) {
  switch (c) {
    case Control::txtKlantId:
      return IDC_TXTKLANTID;
    case Control::txtExtensie:
      return IDC_TXTEXTENSIE;
    case Control::txtExePath:
      return IDC_TXTEXEPATH;
    case Control::txtDatabasePath:
      return IDC_TXTDATABASEPATH;
    case Control::txtBezig:
      return IDC_TXTBEZIG;
    case Control::txtLog:
      return IDC_TXTLOG;
    case Control::Option1:
      return IDC_OPTION1;
    case Control::Option2:
      return IDC_OPTION2;
    case Control::btnStart:
      return IDC_BTNSTART;
    case Control::btnCancel:
      return IDC_BTNCANCEL;
    case Control::btnBrowseProg:
      return IDC_BTNBROWSEPROG;
    case Control::btnBrowseData:
      return IDC_BTNBROWSEDATA;
  }
  return 0;
}

int Scale(int twips, UINT dpi) { return MulDiv(twips, static_cast<int>(dpi), 1440); }

std::wstring WindowText(HWND h) {
  int n = GetWindowTextLengthW(h);
  std::wstring s(static_cast<std::size_t>(n) + 1, L'\0');
  n = GetWindowTextW(h, s.data(), n + 1);
  s.resize(static_cast<std::size_t>(n > 0 ? n : 0));
  return s;
}

HFONT MakeFont(UINT dpi, int points, int weight) {
  return CreateFontW(-MulDiv(points, static_cast<int>(dpi), 72), 0, 0, 0, weight, FALSE, FALSE,
                     FALSE, DEFAULT_CHARSET, OUT_DEFAULT_PRECIS, CLIP_DEFAULT_PRECIS,
                     DEFAULT_QUALITY, DEFAULT_PITCH | FF_SWISS, L"MS Sans Serif");
}

}  // namespace

Win32MainWindow::Win32MainWindow(HINSTANCE instance) : instance_(instance) {}

Win32MainWindow::~Win32MainWindow() {
  SetBeforePump({});
  if (taskbar_) taskbar_->Release();
  if (hwnd_) {
    UnregisterDialogWindow(hwnd_);
    DestroyWindow(hwnd_);
  }
  if (font_) DeleteObject(font_);
  if (titleFont_) DeleteObject(titleFont_);
  if (image1_) DeleteObject(image1_);
}

bool Win32MainWindow::Create(MainWindow& model) {
  model_ = &model;
  WNDCLASSEXW wc{};
  wc.cbSize = sizeof wc;
  wc.lpfnWndProc = WindowProc;
  wc.hInstance = instance_;
  wc.hIcon = LoadIconW(instance_, MAKEINTRESOURCEW(IDI_DRUVO));
  wc.hIconSm = static_cast<HICON>(LoadImageW(instance_, MAKEINTRESOURCEW(IDI_DRUVO), IMAGE_ICON,
                                             GetSystemMetrics(SM_CXSMICON),
                                             GetSystemMetrics(SM_CYSMICON), 0));
  wc.hCursor = LoadCursorW(nullptr, IDC_ARROW);
  wc.hbrBackground = reinterpret_cast<HBRUSH>(COLOR_BTNFACE + 1);
  wc.lpszClassName = DRUVO_MAIN_CLASS;
  if (!RegisterClassExW(&wc)) return false;
  hwnd_ = CreateWindowExW(kExStyle, DRUVO_MAIN_CLASS, kTitle, kStyle, CW_USEDEFAULT, CW_USEDEFAULT,
                          CW_USEDEFAULT, CW_USEDEFAULT, nullptr, nullptr, instance_, this);
  if (!hwnd_) return false;
  RegisterDialogWindow(hwnd_);
  SetBeforePump([this] { FlushLog(); });
  return true;
}

void Win32MainWindow::Show() {
  RECT r{0, 0, Scale(kClientWidth, dpi_), Scale(kClientHeight, dpi_)};
  AdjustWindowRectToDpi(r, kStyle, kExStyle, dpi_);
  const int w = r.right - r.left, h = r.bottom - r.top;
  MONITORINFO mi{};
  mi.cbSize = sizeof mi;
  GetMonitorInfoW(MonitorFromWindow(hwnd_, MONITOR_DEFAULTTOPRIMARY), &mi);
  const RECT& screen = mi.rcMonitor;
  // Centred; a window larger than the screen keeps its title bar on the screen, where the
  // user can still take hold of it.
  const int x = screen.left + (screen.right - screen.left - w) / 2;
  const int y = screen.top + (screen.bottom - screen.top - h) / 2;
  SetWindowPos(hwnd_, nullptr, x < mi.rcWork.left ? mi.rcWork.left : x,
               y < mi.rcWork.top ? mi.rcWork.top : y, w, h, SWP_NOZORDER | SWP_NOACTIVATE);
  ShowWindow(hwnd_, SW_SHOWNORMAL);
  UpdateWindow(hwnd_);
  SetFocus(Control::Option1);
}

LRESULT CALLBACK Win32MainWindow::WindowProc(HWND hwnd, UINT msg, WPARAM wp, LPARAM lp) {
  auto* self = reinterpret_cast<Win32MainWindow*>(GetWindowLongPtrW(hwnd, GWLP_USERDATA));
  if (msg == WM_NCCREATE) {
    self = static_cast<Win32MainWindow*>(reinterpret_cast<CREATESTRUCTW*>(lp)->lpCreateParams);
    self->hwnd_ = hwnd;
    SetWindowLongPtrW(hwnd, GWLP_USERDATA, reinterpret_cast<LONG_PTR>(self));
  }
  if (!self) return DefWindowProcW(hwnd, msg, wp, lp);
  // No exception may leave a window procedure: the system's frames between it and the
  // message loop do not carry one. The operations are guarded one by one (Guarded); this
  // catches what the window's own code might throw.
  try {
    return self->Handle(msg, wp, lp);
  } catch (...) {
    return DefWindowProcW(hwnd, msg, wp, lp);
  }
}

LRESULT Win32MainWindow::Handle(UINT msg, WPARAM wp, LPARAM lp) {
  switch (msg) {
    case WM_CREATE:
      OnCreate();
      return 0;
    case WM_COMMAND:
      OnCommand(LOWORD(wp), HIWORD(wp));
      return 0;
    case WM_CLOSE:
      if (!OnClose()) return 0;
      break;
    case WM_QUERYENDSESSION:
      return OnQueryEndSession() ? TRUE : FALSE;
    case WM_DPICHANGED:
      OnDpiChanged(LOWORD(wp), *reinterpret_cast<const RECT*>(lp));
      return 0;
    case WM_ACTIVATE:
      OnActivate(LOWORD(wp) != WA_INACTIVE);
      return 0;
    case WM_SETFOCUS:
      OnSetFocus();
      return 0;
    case WM_DESTROY:
      PostQuitMessage(0);
      return 0;
  }
  return DefWindowProcW(hwnd_, msg, wp, lp);
}

void Win32MainWindow::OnCreate() {
  dpi_ = WindowDpi(hwnd_);
  MakeFonts();
  for (const ControlDef& d : kControls) {
    HWND h = CreateWindowExW(d.exStyle, d.cls, d.text, WS_CHILD | WS_VISIBLE | d.style, 0, 0, 0, 0,
                             hwnd_, reinterpret_cast<HMENU>(static_cast<INT_PTR>(d.id)), instance_,
                             nullptr);
    if (d.textLimit) SendMessageW(h, EM_SETLIMITTEXT, static_cast<WPARAM>(d.textLimit), 0);
  }
  CheckRadioButton(hwnd_, IDC_OPTION1, IDC_OPTION2, IDC_OPTION1);
  LoadImage1();
  LayOut();
  lastFocus_ = Item(Control::Option1);
}

void Win32MainWindow::MakeFonts() {
  if (font_) DeleteObject(font_);
  if (titleFont_) DeleteObject(titleFont_);
  font_ = MakeFont(dpi_, 8, FW_NORMAL);
  titleFont_ = MakeFont(dpi_, 12, FW_BOLD);
}

void Win32MainWindow::LayOut() {
  HDWP dwp = BeginDeferWindowPos(static_cast<int>(std::size(kControls)));
  for (const ControlDef& d : kControls) {
    HWND h = GetDlgItem(hwnd_, d.id);
    SendMessageW(h, WM_SETFONT, reinterpret_cast<WPARAM>(d.id == IDC_LABEL1 ? titleFont_ : font_),
                 FALSE);
    if (dwp)
      dwp = DeferWindowPos(dwp, h, nullptr, Scale(d.left, dpi_), Scale(d.top, dpi_),
                           Scale(d.width, dpi_), Scale(d.height, dpi_),
                           SWP_NOZORDER | SWP_NOACTIVATE);
  }
  if (dwp) EndDeferWindowPos(dwp);
  InvalidateRect(hwnd_, nullptr, TRUE);
}

void Win32MainWindow::LoadImage1() {
  // The 32 x 32 bitmap is drawn at 480 x 480 twips, so it grows with the DPI.
  const int px = Scale(480, dpi_);
  HBITMAP next = static_cast<HBITMAP>(
      LoadImageW(instance_, MAKEINTRESOURCEW(IDB_IMAGE1), IMAGE_BITMAP, px, px, 0));
  if (!next) return;
  SendMessageW(GetDlgItem(hwnd_, IDC_IMAGE1), STM_SETIMAGE, IMAGE_BITMAP,
               reinterpret_cast<LPARAM>(next));
  if (image1_) DeleteObject(image1_);
  image1_ = next;
}

HWND Win32MainWindow::Item(Control c) const { return GetDlgItem(hwnd_, IdOf(c)); }

template <class F>
void Win32MainWindow::Guarded(F&& f) {
  try {
    f();
  } catch (const ProgramEnded&) {
    Quit();
  } catch (...) {
    // A fault inside an operation must not cross the window procedure. The Start command
    // reports its own unforeseen failures (ClickStart), the other operations theirs.
  }
}

void Win32MainWindow::OnCommand(int id, int code) {
  switch (id) {
    case IDC_BTNSTART:
      if (code == BN_CLICKED) OnStartClicked();
      break;
    case IDC_BTNCANCEL:
      if (code == BN_CLICKED) OnStopClicked();
      break;
    case IDC_BTNBROWSEPROG:
    case IDC_BTNBROWSEDATA:
      if (code == BN_CLICKED) OnBrowseClicked(id == IDC_BTNBROWSEPROG);
      break;
    case IDC_TXTLOG:
      if (code == EN_CHANGE) OnLogChanged();
      break;
    case IDC_TXTBEZIG:
      if (code == EN_CHANGE) OnStatusChanged();
      break;
    default:
      // Includes IDOK and IDCANCEL, which the dialog manager sends for Enter and Esc:
      // the window has no default and no cancel button.
      break;
  }
}

void Win32MainWindow::OnStartClicked() {
  if (inStart_) return;
  inStart_ = true;
  BlockShutdown(true);
  Guarded([this] { ClickStart(*model_); });
  FlushLog();
  BlockShutdown(false);
  inStart_ = false;
}

void Win32MainWindow::OnStopClicked() {
  Guarded([this] { model_->ClickStop(); });
}

void Win32MainWindow::OnBrowseClicked(bool programFolder) {
  Guarded([this, programFolder] {
    if (programFolder)
      model_->ClickBrowseProg();
    else
      model_->ClickBrowseData();
  });
}

void Win32MainWindow::OnLogChanged() {
  if (programEdits_) return;
  // The user's text is the log view's text now: nothing gathered before it is pending.
  logPending_.clear();
  logPendingStart_ = 0;
  logControlTrim_ = 0;
  logCaret_ = LogCaret::kUntouched;
  logControlUnits_ = static_cast<std::size_t>(GetWindowTextLengthW(Item(Control::txtLog)));
  Guarded([this] { model_->OnLogEditedByUser(sys::Narrow(WindowText(Item(Control::txtLog)))); });
}

void Win32MainWindow::OnStatusChanged() {
  if (!programEdits_) statusTyped_ = true;
}

bool Win32MainWindow::OnClose() {
  // A run must not be cut off half way through the host's files: while the Start command
  // runs, closing is refused. Otherwise the window ends the program as Stop does.
  if (inStart_ || !model_->CanClose()) return false;
  OnStopClicked();
  return true;
}

bool Win32MainWindow::OnQueryEndSession() {
  // As closing: a log-off or shut-down would end the program in the middle of the host's
  // files, without DRUVO.Log and without the mail. Windows then shows the reason that
  // BlockShutdown gave it, and the user decides.
  return !inStart_ && model_->CanClose();
}

void Win32MainWindow::BlockShutdown(bool block) {
  // Looked up at run time: the window needs nothing newer than Windows 7 to start, and
  // without them Windows still hears no, only without the reason.
  HMODULE user32 = GetModuleHandleW(L"user32.dll");
  if (!user32) return;
  if (block) {
    using Create = BOOL(WINAPI*)(HWND, LPCWSTR);
    const auto create = reinterpret_cast<Create>(
        reinterpret_cast<void (*)()>(GetProcAddress(user32, "ShutdownBlockReasonCreate")));
    shutdownBlocked_ = create && create(hwnd_, kShutdownReason);
  } else if (shutdownBlocked_) {
    using Destroy = BOOL(WINAPI*)(HWND);
    const auto destroy = reinterpret_cast<Destroy>(
        reinterpret_cast<void (*)()>(GetProcAddress(user32, "ShutdownBlockReasonDestroy")));
    if (destroy) destroy(hwnd_);
    shutdownBlocked_ = false;
  }
}

void Win32MainWindow::OnDpiChanged(UINT dpi, const RECT& suggested) {
  dpi_ = dpi;
  MakeFonts();
  SetWindowPos(hwnd_, nullptr, suggested.left, suggested.top, suggested.right - suggested.left,
               suggested.bottom - suggested.top, SWP_NOZORDER | SWP_NOACTIVATE);
  LoadImage1();
  LayOut();
}

void Win32MainWindow::OnActivate(bool active) {
  // The window is not a dialog, so it keeps the focused control itself when it is left
  // (for a message box, the folder dialog or another program) and gives it back on return.
  if (!active) {
    HWND f = GetFocus();
    if (f && IsChild(hwnd_, f)) lastFocus_ = f;
  }
}

void Win32MainWindow::OnSetFocus() {
  if (lastFocus_ && IsWindowEnabled(lastFocus_)) ::SetFocus(lastFocus_);
}

// ---- View ----

std::string Win32MainWindow::Text(Control box) {
  if (box == Control::txtBezig && !statusTyped_) return status_;
  return sys::Narrow(WindowText(Item(box)));
}

void Win32MainWindow::SetText(Control box, const std::string& text) {
  // WM_SETTEXT is not bound by a text box's limit, so text the program sets is never cut.
  ++programEdits_;
  SetWindowTextW(Item(box), sys::Widen(text).c_str());
  --programEdits_;
  if (box == Control::txtBezig) {
    status_ = text;
    statusTyped_ = false;
  }
}

bool Win32MainWindow::IsOption1Selected() {
  return SendMessageW(Item(Control::Option1), BM_GETCHECK, 0, 0) == BST_CHECKED;
}

void Win32MainWindow::SetEnabled(Control button, bool enabled) {
  HWND h = Item(button);
  if (!enabled && GetFocus() == h) {
    // A disabled control keeps no focus; move it on, so the keyboard still reaches the window.
    HWND next = GetNextDlgTabItem(hwnd_, h, FALSE);
    ::SetFocus(next && next != h ? next : hwnd_);
  }
  EnableWindow(h, enabled ? TRUE : FALSE);
}

void Win32MainWindow::SetFocus(Control control) {
  HWND h = Item(control);
  lastFocus_ = h;
  ::SetFocus(h);
}

Answer Win32MainWindow::Ask(const std::string& text, Buttons buttons) {
  UINT type = MB_OK;
  if (buttons == Buttons::kOkCancel) type = MB_OKCANCEL;
  if (buttons == Buttons::kYesNo) type = MB_YESNO;
  FlushLog();  // the box's message loop lets the window paint
  const int r = MessageBoxW(hwnd_, sys::Widen(text).c_str(), L"DRUVO", type);
  switch (r) {
    case IDOK:
      return Answer::kOk;
    case IDCANCEL:
      return Answer::kCancel;
    case IDYES:
      return Answer::kYes;
    case IDNO:
      return Answer::kNo;
  }
  // No box could be shown: the answer that changes nothing.
  if (buttons == Buttons::kOkCancel) return Answer::kCancel;
  if (buttons == Buttons::kYesNo) return Answer::kNo;
  return Answer::kOk;
}

void Win32MainWindow::Repaint() {
  FlushLog();
  // UpdateWindow paints only the window itself; the controls have update regions of their own.
  RedrawWindow(hwnd_, nullptr, nullptr, RDW_UPDATENOW | RDW_ALLCHILDREN);
}

void Win32MainWindow::DoEvents() {
  // A run calls this after every line of a utility's log: the messages run once per slice,
  // and the log view's text gathered meanwhile reaches txtLog in one go (FlushLog, from
  // PumpPendingMessages) instead of several edits of the whole box per line.
  if (std::chrono::steady_clock::now() - lastEvents_ < kEventSlice) return;
  PumpPendingMessages();
  lastEvents_ = std::chrono::steady_clock::now();
}

void Win32MainWindow::LogAppended(std::string_view text) {
  logPending_ += sys::Widen(text);
  logCaret_ = LogCaret::kEnd;  // EM_REPLACESEL leaves the caret after the new text
}

void Win32MainWindow::LogTrimmed(std::string_view removed) {
  // The removed text is the start of txtLog's text followed by the pending text: it leaves
  // txtLog first, and what is left of it never reaches txtLog.
  std::size_t units = text::CountUtf16Units(removed);
  const std::size_t fromControl = std::min(units, logControlUnits_ - logControlTrim_);
  logControlTrim_ += fromControl;
  units -= fromControl;
  logPendingStart_ += std::min(units, logPending_.size() - logPendingStart_);
  // Released once the dropped part outweighs the kept one, so that trimming stays cheap and
  // the pending text never holds much more than the cap.
  if (logPendingStart_ > logPending_.size() - logPendingStart_) {
    logPending_.erase(0, logPendingStart_);
    logPendingStart_ = 0;
  }
  logCaret_ = LogCaret::kStart;  // replacing the start's selection left the caret there
}

void Win32MainWindow::LogCaretToEnd() { logCaret_ = LogCaret::kEnd; }

void Win32MainWindow::FlushLog() {
  if (!hwnd_ || (logCaret_ == LogCaret::kUntouched && logControlTrim_ == 0 &&
                 logPendingStart_ == logPending_.size()))
    return;
  HWND h = Item(Control::txtLog);
  const wchar_t* add = logPending_.c_str() + logPendingStart_;
  const bool adding = logPendingStart_ < logPending_.size();
  ++programEdits_;
  if (logControlTrim_ > 0 && logControlTrim_ >= static_cast<std::size_t>(GetWindowTextLengthW(h))) {
    // Nothing of the box stays: its text is set anew (WM_SETTEXT is bound by no limit).
    SetWindowTextW(h, add);
  } else {
    if (logControlTrim_ > 0) {
      SendMessageW(h, EM_SETSEL, 0, static_cast<LPARAM>(logControlTrim_));
      SendMessageW(h, EM_REPLACESEL, FALSE, reinterpret_cast<LPARAM>(L""));
    }
    if (adding) {
      // EM_REPLACESEL is bound by the typing limit; lift it for the program's own text.
      const int end = GetWindowTextLengthW(h);
      SendMessageW(h, EM_SETLIMITTEXT, 0, 0);
      SendMessageW(h, EM_SETSEL, static_cast<WPARAM>(end), end);
      SendMessageW(h, EM_REPLACESEL, FALSE, reinterpret_cast<LPARAM>(add));
      SendMessageW(h, EM_SETLIMITTEXT, kLogTypingLimit, 0);
    }
  }
  if (logCaret_ != LogCaret::kUntouched) {
    const int at = logCaret_ == LogCaret::kEnd ? GetWindowTextLengthW(h) : 0;
    SendMessageW(h, EM_SETSEL, static_cast<WPARAM>(at), at);
    SendMessageW(h, EM_SCROLLCARET, 0, 0);
  }
  --programEdits_;
  logControlUnits_ = static_cast<std::size_t>(GetWindowTextLengthW(h));
  logPending_.clear();
  logPendingStart_ = 0;
  logControlTrim_ = 0;
  logCaret_ = LogCaret::kUntouched;
}

bool Win32MainWindow::PutOnClipboard(const std::string& text) {
  const std::wstring wide = sys::Widen(text);
  const SIZE_T bytes = (wide.size() + 1) * sizeof(wchar_t);
  HGLOBAL mem = GlobalAlloc(GMEM_MOVEABLE, bytes);
  if (!mem) return false;
  void* p = GlobalLock(mem);
  if (!p) {
    GlobalFree(mem);
    return false;
  }
  memcpy(p, wide.c_str(), bytes);
  GlobalUnlock(mem);
  // Another program may hold the clipboard for a moment.
  bool open = false;
  for (int attempt = 0; attempt < 10 && !open; ++attempt) {
    open = OpenClipboard(hwnd_) != FALSE;
    if (!open) Sleep(20);
  }
  if (!open) {
    GlobalFree(mem);
    return false;
  }
  bool ok = EmptyClipboard() && SetClipboardData(CF_UNICODETEXT, mem) != nullptr;
  CloseClipboard();
  if (!ok) GlobalFree(mem);  // the clipboard owns the memory only when it took it
  return ok;
}

void Win32MainWindow::Quit() { ExitProcess(0); }

void Win32MainWindow::Progress(int done, int total) {
  if (taskbarFailed_) return;
  if (!taskbar_) {
    // The task-bar button may not exist (Wine without a shell): then there is no progress.
    void* p = nullptr;
    if (FAILED(CoCreateInstance(CLSID_TaskbarList, nullptr, CLSCTX_INPROC_SERVER, IID_ITaskbarList3,
                                &p)) ||
        !p) {
      taskbarFailed_ = true;
      return;
    }
    taskbar_ = static_cast<ITaskbarList3*>(p);
    if (FAILED(taskbar_->HrInit())) {
      taskbar_->Release();
      taskbar_ = nullptr;
      taskbarFailed_ = true;
      return;
    }
  }
  if (total <= 0) {
    taskbar_->SetProgressState(hwnd_, TBPF_NOPROGRESS);
    return;
  }
  taskbar_->SetProgressState(hwnd_, TBPF_NORMAL);
  taskbar_->SetProgressValue(hwnd_, static_cast<ULONGLONG>(done), static_cast<ULONGLONG>(total));
}

}  // namespace druvo::win32
