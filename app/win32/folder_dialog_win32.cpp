#include "app/win32/folder_dialog_win32.h"

#include <commctrl.h>

#include <string>
#include <vector>

#include "app/win32/dpi_win32.h"
#include "app/win32/message_loop_win32.h"
#include "app/win32/resource.h"
#include "model/folder_list.h"
#include "sys/fs.h"
#include "sys/text.h"
#include "sys/wide_win32.h"

namespace druvo::win32 {

namespace {

constexpr int kClientWidth = 8655;  // twips
constexpr int kClientHeight = 6360;
constexpr DWORD kStyle = WS_POPUP | WS_CAPTION | WS_SYSMENU | WS_CLIPCHILDREN;
constexpr DWORD kExStyle = WS_EX_TOOLWINDOW | WS_EX_WINDOWEDGE;
constexpr int kDropDownHeight = 2400;  // twips: the open drive list
constexpr UINT_PTR kDirSubclass = 1;

struct ControlDef {
  int id;
  const wchar_t* cls;
  const wchar_t* text;
  int left, top, width, height;  // twips
  DWORD style;
  DWORD exStyle;
};

// In tab order: Annuleren first, so the dialog opens with the focus on it.
constexpr ControlDef kControls[] = {
    {IDC_FOLDER_CANCEL, WC_BUTTONW, L"Annuleren", 7320, 5880, 1215, 375,
     WS_GROUP | WS_TABSTOP | BS_PUSHBUTTON, 0},
    {IDC_FOLDER_OK, WC_BUTTONW, L"OK", 6000, 5880, 1215, 375, WS_GROUP | WS_TABSTOP | BS_PUSHBUTTON,
     0},
    {IDC_DRIVE1, WC_COMBOBOXW, L"", 120, 120, 8415, 315,
     WS_GROUP | WS_TABSTOP | WS_VSCROLL | CBS_DROPDOWNLIST, 0},
    {IDC_DIR1, WC_LISTBOXW, L"", 120, 480, 8415, 5265,
     WS_GROUP | WS_TABSTOP | WS_VSCROLL | LBS_OWNERDRAWFIXED | LBS_HASSTRINGS | LBS_NOTIFY |
         LBS_NOINTEGRALHEIGHT,
     WS_EX_CLIENTEDGE},
};

constexpr LPARAM kOpenedFlag = 0x10000;  // item data of Dir1: level | kOpenedFlag

int Scale(int twips, UINT dpi) { return MulDiv(twips, static_cast<int>(dpi), 1440); }

// The dialog's font, as the main window's: MS Sans Serif 8 pt at the window's DPI.
HFONT DialogFont(UINT dpi) {
  return CreateFontW(-MulDiv(8, static_cast<int>(dpi), 72), 0, 0, 0, FW_NORMAL, FALSE, FALSE, FALSE,
                     DEFAULT_CHARSET, OUT_DEFAULT_PRECIS, CLIP_DEFAULT_PRECIS, DEFAULT_QUALITY,
                     DEFAULT_PITCH | FF_SWISS, L"MS Sans Serif");
}

// The name the drive list shows: "c:", with the volume's label where a local disk has one.
std::wstring DriveCaption(const std::string& root) {
  std::wstring wroot = sys::Widen(root);
  std::wstring caption = sys::Widen(text::Upper(root.substr(0, 2)));
  caption[0] = static_cast<wchar_t>(towlower(caption[0]));
  const UINT type = GetDriveTypeW(wroot.c_str());
  // Removable, optical and network drives are not asked: an empty or lost one can keep the
  // dialog waiting.
  if (type == DRIVE_FIXED || type == DRIVE_RAMDISK) {
    wchar_t label[MAX_PATH + 1] = {};
    if (GetVolumeInformationW(wroot.c_str(), label, MAX_PATH + 1, nullptr, nullptr, nullptr,
                              nullptr, 0) &&
        label[0])
      caption += L" [" + std::wstring(label) + L"]";
  }
  return caption;
}

class Win32FolderDialog : public FolderDialog {
 public:
  Win32FolderDialog(HINSTANCE instance, HWND owner)
      : instance_(instance), owner_(owner), sel_(RealFolderPlatform(), sys::CurrentFolder()) {}
  ~Win32FolderDialog() override { Close(); }

  void SetTitle(const std::string& title) override {
    title_ = sys::Widen(title);
    if (hwnd_) SetWindowTextW(hwnd_, title_.c_str());
  }
  bool SetDrive(const std::string& drive) override {
    const bool ok = sel_.SetDrive(drive);
    Refresh();
    return ok;
  }
  bool SetFolder(const std::string& folder) override {
    const bool ok = sel_.SetFolder(folder);
    Refresh();
    return ok;
  }
  void ShowModal(std::string& sPathName) override;

 private:
  static LRESULT CALLBACK WindowProc(HWND hwnd, UINT msg, WPARAM wp, LPARAM lp);
  static LRESULT CALLBACK DirProc(HWND hwnd, UINT msg, WPARAM wp, LPARAM lp, UINT_PTR,
                                  DWORD_PTR self);
  LRESULT Handle(UINT msg, WPARAM wp, LPARAM lp);

  // Named handlers of the window procedure.
  void OnCreate();
  void OnCommand(int id, int code);
  void OnDriveChanged();
  void OnOpenSelected();
  void OnDrawItem(const DRAWITEMSTRUCT& d);
  void OnDpiChanged(UINT dpi, const RECT& suggested);

  void LayOut();
  void FitDriveField();
  void FillDrives();
  void FillDirs();
  void SelectDrive();
  void Refresh();
  void Close();
  int ItemHeight() const;

  HINSTANCE instance_;
  HWND owner_;
  HWND hwnd_ = nullptr;
  UINT dpi_ = USER_DEFAULT_SCREEN_DPI;
  HFONT font_ = nullptr;
  std::wstring title_ = L"Selecteer programmamap";
  FolderSelection sel_;
  std::vector<std::string> drives_;  // "C:", by the drive list's item data
  bool done_ = false;
  bool ok_ = false;
};

void Win32FolderDialog::ShowModal(std::string& sPathName) {
  static bool registered = false;
  if (!registered) {
    WNDCLASSEXW wc{};
    wc.cbSize = sizeof wc;
    wc.lpfnWndProc = WindowProc;
    wc.hInstance = instance_;
    wc.hCursor = LoadCursorW(nullptr, IDC_ARROW);
    wc.hbrBackground = reinterpret_cast<HBRUSH>(COLOR_BTNFACE + 1);
    wc.lpszClassName = DRUVO_FOLDER_CLASS;
    registered = RegisterClassExW(&wc) != 0;
    if (!registered) return;
  }
  dpi_ = WindowDpi(owner_);
  done_ = ok_ = false;
  hwnd_ = CreateWindowExW(kExStyle, DRUVO_FOLDER_CLASS, title_.c_str(), kStyle, 0, 0, 0, 0, owner_,
                          nullptr, instance_, this);
  if (!hwnd_) return;
  RegisterDialogWindow(hwnd_);

  // Centred over the owner, kept on the owner's screen.
  RECT r{0, 0, Scale(kClientWidth, dpi_), Scale(kClientHeight, dpi_)};
  AdjustWindowRectToDpi(r, kStyle, kExStyle, dpi_);
  const int w = r.right - r.left, h = r.bottom - r.top;
  RECT o{};
  GetWindowRect(owner_ ? owner_ : GetDesktopWindow(), &o);
  int x = (o.left + o.right - w) / 2, y = (o.top + o.bottom - h) / 2;
  MONITORINFO mi{};
  mi.cbSize = sizeof mi;
  if (GetMonitorInfoW(MonitorFromRect(&o, MONITOR_DEFAULTTONEAREST), &mi)) {
    if (x + w > mi.rcWork.right) x = mi.rcWork.right - w;
    if (y + h > mi.rcWork.bottom) y = mi.rcWork.bottom - h;
    if (x < mi.rcWork.left) x = mi.rcWork.left;
    if (y < mi.rcWork.top) y = mi.rcWork.top;
  }
  SetWindowPos(hwnd_, nullptr, x, y, w, h, SWP_NOZORDER | SWP_NOACTIVATE);

  // Modal: the main window takes no input until the dialog is closed.
  if (owner_) EnableWindow(owner_, FALSE);
  ShowWindow(hwnd_, SW_SHOW);
  ::SetFocus(GetDlgItem(hwnd_, IDC_FOLDER_CANCEL));

  MSG msg;
  while (!done_) {
    const BOOL got = GetMessageW(&msg, nullptr, 0, 0);
    if (got == 0) {
      // The program is ending: the outer loop must still see the quit.
      PostQuitMessage(static_cast<int>(msg.wParam));
      break;
    }
    if (got < 0) break;
    HandleMessage(msg);
  }
  if (ok_) sPathName = sel_.folder();
  Close();
}

void Win32FolderDialog::Close() {
  if (!hwnd_) return;
  // The owner is enabled before the dialog goes, so the activation returns to it and not
  // to another program's window.
  if (owner_) {
    EnableWindow(owner_, TRUE);
    SetActiveWindow(owner_);
  }
  UnregisterDialogWindow(hwnd_);
  HWND h = hwnd_;
  hwnd_ = nullptr;
  DestroyWindow(h);
  if (font_) DeleteObject(font_);
  font_ = nullptr;
}

LRESULT CALLBACK Win32FolderDialog::WindowProc(HWND hwnd, UINT msg, WPARAM wp, LPARAM lp) {
  auto* self = reinterpret_cast<Win32FolderDialog*>(GetWindowLongPtrW(hwnd, GWLP_USERDATA));
  if (msg == WM_NCCREATE) {
    self = static_cast<Win32FolderDialog*>(reinterpret_cast<CREATESTRUCTW*>(lp)->lpCreateParams);
    self->hwnd_ = hwnd;
    SetWindowLongPtrW(hwnd, GWLP_USERDATA, reinterpret_cast<LONG_PTR>(self));
  }
  if (!self || !self->hwnd_) return DefWindowProcW(hwnd, msg, wp, lp);
  // No exception may leave a window procedure: the system's frames do not carry one.
  try {
    return self->Handle(msg, wp, lp);
  } catch (...) {
    return DefWindowProcW(hwnd, msg, wp, lp);
  }
}

LRESULT Win32FolderDialog::Handle(UINT msg, WPARAM wp, LPARAM lp) {
  switch (msg) {
    case WM_CREATE:
      OnCreate();
      return 0;
    case WM_COMMAND:
      OnCommand(LOWORD(wp), HIWORD(wp));
      return 0;
    case WM_MEASUREITEM:
      reinterpret_cast<MEASUREITEMSTRUCT*>(lp)->itemHeight = static_cast<UINT>(ItemHeight());
      return TRUE;
    case WM_DRAWITEM:
      OnDrawItem(*reinterpret_cast<const DRAWITEMSTRUCT*>(lp));
      return TRUE;
    case WM_CLOSE:
      // The close button of the title bar acts as Annuleren.
      done_ = true;
      return 0;
    case WM_DPICHANGED:
      OnDpiChanged(LOWORD(wp), *reinterpret_cast<const RECT*>(lp));
      return 0;
  }
  return DefWindowProcW(hwnd_, msg, wp, lp);
}

void Win32FolderDialog::OnCreate() {
  font_ = DialogFont(dpi_);
  for (const ControlDef& d : kControls) {
    HWND h = CreateWindowExW(d.exStyle, d.cls, d.text, WS_CHILD | WS_VISIBLE | d.style, 0, 0, 0, 0,
                             hwnd_, reinterpret_cast<HMENU>(static_cast<INT_PTR>(d.id)), instance_,
                             nullptr);
    SendMessageW(h, WM_SETFONT, reinterpret_cast<WPARAM>(font_), FALSE);
  }
  SetWindowSubclass(GetDlgItem(hwnd_, IDC_DIR1), DirProc, kDirSubclass,
                    reinterpret_cast<DWORD_PTR>(this));
  LayOut();
  FillDrives();
  FillDirs();
}

void Win32FolderDialog::LayOut() {
  for (const ControlDef& d : kControls) {
    HWND h = GetDlgItem(hwnd_, d.id);
    SendMessageW(h, WM_SETFONT, reinterpret_cast<WPARAM>(font_), FALSE);
    int height = Scale(d.height, dpi_);
    // A drop-down list is as high as its selection field; the height it is given is that
    // of the open list.
    if (d.id == IDC_DRIVE1) height = Scale(kDropDownHeight, dpi_);
    if (d.id == IDC_DIR1) SendMessageW(h, LB_SETITEMHEIGHT, 0, ItemHeight());
    SetWindowPos(h, nullptr, Scale(d.left, dpi_), Scale(d.top, dpi_), Scale(d.width, dpi_), height,
                 SWP_NOZORDER | SWP_NOACTIVATE);
  }
  FitDriveField();
  InvalidateRect(hwnd_, nullptr, TRUE);
}

void Win32FolderDialog::FitDriveField() {
  // The selection field is sized by its item height plus a frame whose size the system
  // does not tell (and Wine counts the item height differently from Windows): set,
  // measure, correct by the difference.
  HWND h = GetDlgItem(hwnd_, IDC_DRIVE1);
  const int want = Scale(315, dpi_);
  int field = static_cast<int>(SendMessageW(h, CB_GETITEMHEIGHT, static_cast<WPARAM>(-1), 0));
  for (int attempt = 0; attempt < 4 && field > 0; ++attempt) {
    SendMessageW(h, CB_SETITEMHEIGHT, static_cast<WPARAM>(-1), field);
    RECT r{};
    GetWindowRect(h, &r);
    const int got = r.bottom - r.top;
    if (got == want) break;
    field += want - got;
  }
}

int Win32FolderDialog::ItemHeight() const {
  // Room for the 16-pixel folder picture (at 96 DPI) or the text, whichever is higher.
  const int picture = MulDiv(16, static_cast<int>(dpi_), 96) + 1;
  const int textHeight =
      MulDiv(8, static_cast<int>(dpi_), 72) + MulDiv(5, static_cast<int>(dpi_), 96);
  return picture > textHeight ? picture : textHeight;
}

void Win32FolderDialog::FillDrives() {
  HWND h = GetDlgItem(hwnd_, IDC_DRIVE1);
  SendMessageW(h, CB_RESETCONTENT, 0, 0);
  drives_.clear();
  // Asking a drive without a medium must not bring up the system's "no disk" box.
  const UINT oldMode = SetErrorMode(SEM_FAILCRITICALERRORS | SEM_NOOPENFILEERRORBOX);
  for (const std::string& root : sys::ListDrives()) {
    const LRESULT i =
        SendMessageW(h, CB_ADDSTRING, 0, reinterpret_cast<LPARAM>(DriveCaption(root).c_str()));
    if (i < 0) continue;
    SendMessageW(h, CB_SETITEMDATA, static_cast<WPARAM>(i), static_cast<LPARAM>(drives_.size()));
    drives_.push_back(text::Upper(root.substr(0, 2)));
  }
  SetErrorMode(oldMode);
  SelectDrive();
}

void Win32FolderDialog::SelectDrive() {
  HWND h = GetDlgItem(hwnd_, IDC_DRIVE1);
  const LRESULT n = SendMessageW(h, CB_GETCOUNT, 0, 0);
  for (LRESULT i = 0; i < n; ++i) {
    const auto k =
        static_cast<std::size_t>(SendMessageW(h, CB_GETITEMDATA, static_cast<WPARAM>(i), 0));
    if (k < drives_.size() && drives_[k] == sel_.drive()) {
      SendMessageW(h, CB_SETCURSEL, static_cast<WPARAM>(i), 0);
      return;
    }
  }
  SendMessageW(h, CB_SETCURSEL, static_cast<WPARAM>(-1), 0);  // a network folder: no drive
}

void Win32FolderDialog::FillDirs() {
  HWND h = GetDlgItem(hwnd_, IDC_DIR1);
  SendMessageW(h, WM_SETREDRAW, FALSE, 0);
  SendMessageW(h, LB_RESETCONTENT, 0, 0);
  for (const FolderEntry& e : sel_.entries()) {
    const LRESULT i =
        SendMessageW(h, LB_ADDSTRING, 0, reinterpret_cast<LPARAM>(sys::Widen(e.name).c_str()));
    if (i >= 0)
      SendMessageW(h, LB_SETITEMDATA, static_cast<WPARAM>(i),
                   static_cast<LPARAM>(e.level) | (e.opened ? kOpenedFlag : 0));
  }
  // The open folder is the highlighted line; the list shows it with its chain when it can.
  SendMessageW(h, LB_SETCURSEL, sel_.openIndex(), 0);
  SendMessageW(h, LB_SETTOPINDEX, 0, 0);
  RECT rc{};
  GetClientRect(h, &rc);
  const int visible = (rc.bottom - rc.top) / (ItemHeight() > 0 ? ItemHeight() : 1);
  if (static_cast<int>(sel_.openIndex()) >= visible)
    SendMessageW(h, LB_SETTOPINDEX, sel_.openIndex() - static_cast<std::size_t>(visible) + 2, 0);
  SendMessageW(h, WM_SETREDRAW, TRUE, 0);
  InvalidateRect(h, nullptr, TRUE);
}

void Win32FolderDialog::Refresh() {
  if (!hwnd_) return;
  SelectDrive();
  FillDirs();
}

void Win32FolderDialog::OnCommand(int id, int code) {
  switch (id) {
    case IDC_FOLDER_OK:
      if (code == BN_CLICKED) {
        ok_ = true;
        done_ = true;
      }
      break;
    case IDC_FOLDER_CANCEL:
      if (code == BN_CLICKED) done_ = true;
      break;
    case IDC_DRIVE1:
      if (code == CBN_SELCHANGE) OnDriveChanged();
      break;
    case IDC_DIR1:
      if (code == LBN_DBLCLK) OnOpenSelected();
      break;
    default:
      // IDOK and IDCANCEL from Enter and Esc: the dialog has no default and no cancel button.
      break;
  }
}

void Win32FolderDialog::OnDriveChanged() {
  HWND h = GetDlgItem(hwnd_, IDC_DRIVE1);
  const LRESULT i = SendMessageW(h, CB_GETCURSEL, 0, 0);
  if (i < 0) return;
  const auto k =
      static_cast<std::size_t>(SendMessageW(h, CB_GETITEMDATA, static_cast<WPARAM>(i), 0));
  if (k >= drives_.size()) return;
  const UINT oldMode = SetErrorMode(SEM_FAILCRITICALERRORS | SEM_NOOPENFILEERRORBOX);
  const bool ok = sel_.SetDrive(drives_[k]);
  SetErrorMode(oldMode);
  // A drive that cannot be read: the directory list stays, the drive list goes back to the
  // open folder's drive, and the user may choose again.
  if (!ok) {
    SelectDrive();
    return;
  }
  FillDirs();
}

void Win32FolderDialog::OnOpenSelected() {
  const LRESULT i = SendMessageW(GetDlgItem(hwnd_, IDC_DIR1), LB_GETCURSEL, 0, 0);
  if (i < 0) return;
  sel_.Open(static_cast<std::size_t>(i));
  Refresh();
}

LRESULT CALLBACK Win32FolderDialog::DirProc(HWND hwnd, UINT msg, WPARAM wp, LPARAM lp, UINT_PTR,
                                            DWORD_PTR self) {
  // Enter opens the highlighted folder, as a double-click does; the dialog manager would
  // otherwise take the key for a default button.
  switch (msg) {
    case WM_GETDLGCODE:
      if (lp && reinterpret_cast<const MSG*>(lp)->message == WM_KEYDOWN && wp == VK_RETURN)
        return DLGC_WANTALLKEYS | DefSubclassProc(hwnd, msg, wp, lp);
      break;
    case WM_KEYDOWN:
      if (wp == VK_RETURN) {
        try {
          reinterpret_cast<Win32FolderDialog*>(self)->OnOpenSelected();
        } catch (...) {
          // As in WindowProc: nothing leaves a window procedure.
        }
        return 0;
      }
      break;
    case WM_CHAR:
      if (wp == L'\r') return 0;
      break;
    case WM_NCDESTROY:
      RemoveWindowSubclass(hwnd, DirProc, kDirSubclass);
      break;
  }
  return DefSubclassProc(hwnd, msg, wp, lp);
}

void Win32FolderDialog::OnDrawItem(const DRAWITEMSTRUCT& d) {
  if (d.CtlID != IDC_DIR1) return;
  HDC dc = d.hDC;
  const RECT& rc = d.rcItem;
  FillRect(dc, &rc, GetSysColorBrush(COLOR_WINDOW));
  if (d.itemID == static_cast<UINT>(-1)) return;

  const int level = static_cast<int>(d.itemData & 0xFFFF);
  const bool opened = (d.itemData & kOpenedFlag) != 0;
  auto px = [this](int v) { return MulDiv(v, static_cast<int>(dpi_), 96); };
  const int x = rc.left + px(2) + level * px(8);
  const int y = rc.top + (rc.bottom - rc.top - px(16)) / 2;

  // The folder picture: open for the chain down to the open folder, closed below it.
  HBRUSH fill = CreateSolidBrush(RGB(0xF0, 0xC8, 0x50));
  HPEN pen = CreatePen(PS_SOLID, 1, RGB(0x80, 0x60, 0x00));
  HGDIOBJ oldBrush = SelectObject(dc, fill);
  HGDIOBJ oldPen = SelectObject(dc, pen);
  Rectangle(dc, x + px(1), y + px(3), x + px(7), y + px(5));  // the tab
  Rectangle(dc, x + px(1), y + px(4), x + px(15), y + px(14));
  if (opened) {
    HBRUSH front = CreateSolidBrush(RGB(0xFF, 0xE0, 0x90));
    SelectObject(dc, front);
    POINT p[] = {{x + px(1), y + px(13)},
                 {x + px(4), y + px(8)},
                 {x + px(16), y + px(8)},
                 {x + px(13), y + px(13)}};
    Polygon(dc, p, 4);
    SelectObject(dc, fill);
    DeleteObject(front);
  }
  SelectObject(dc, oldBrush);
  SelectObject(dc, oldPen);
  DeleteObject(fill);
  DeleteObject(pen);

  // The line's text, a folder's name, in a buffer of its own length.
  const LRESULT len = SendMessageW(d.hwndItem, LB_GETTEXTLEN, d.itemID, 0);
  std::wstring name;
  if (len > 0) {
    name.resize(static_cast<std::size_t>(len) + 1);
    const LRESULT got =
        SendMessageW(d.hwndItem, LB_GETTEXT, d.itemID, reinterpret_cast<LPARAM>(name.data()));
    name.resize(got > 0 ? static_cast<std::size_t>(got) : 0);
  }
  RECT text = rc;
  text.left = x + px(19);
  SIZE sz{};
  GetTextExtentPoint32W(dc, name.c_str(), static_cast<int>(name.size()), &sz);
  text.right = text.left + sz.cx + px(4);
  if (text.right > rc.right) text.right = rc.right;
  const bool selected = (d.itemState & ODS_SELECTED) != 0;
  FillRect(dc, &text, GetSysColorBrush(selected ? COLOR_HIGHLIGHT : COLOR_WINDOW));
  SetBkMode(dc, TRANSPARENT);
  SetTextColor(dc, GetSysColor(selected ? COLOR_HIGHLIGHTTEXT : COLOR_WINDOWTEXT));
  RECT t = text;
  t.left += px(2);
  DrawTextW(dc, name.c_str(), -1, &t, DT_SINGLELINE | DT_VCENTER | DT_NOPREFIX | DT_LEFT);
  if (d.itemState & ODS_FOCUS) DrawFocusRect(dc, &text);
}

void Win32FolderDialog::OnDpiChanged(UINT dpi, const RECT& suggested) {
  dpi_ = dpi;
  if (font_) DeleteObject(font_);
  font_ = DialogFont(dpi_);
  SetWindowPos(hwnd_, nullptr, suggested.left, suggested.top, suggested.right - suggested.left,
               suggested.bottom - suggested.top, SWP_NOZORDER | SWP_NOACTIVATE);
  LayOut();
}

}  // namespace

std::unique_ptr<FolderDialog> NewFolderDialog(HINSTANCE instance, HWND owner) {
  return std::make_unique<Win32FolderDialog>(instance, owner);
}

}  // namespace druvo::win32
