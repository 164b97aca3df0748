// Drives the real DRUVO.exe from outside and checks what the user sees and can do.
//   gui_driver [--dpi N] window     the window at start-up: places, captions, focus, tab order,
//                                   keys, the start-check refusals, Stop and closing
//   gui_driver [--dpi N] browse     the folder dialog through both browse buttons
//   gui_driver run                  a whole run of a demo installation whose first file has a
//                                   long utility log, mailed to a relay that never answers,
//                                   and a second start that finds the conversion done
// --dpi is the DPI the Wine session runs at (96 unless its LogPixels says otherwise).
#include <windows.h>

#include <cstdio>
#include <string>
#include <vector>

#include "app/win32/resource.h"
#include "gui_helpers.h"

using namespace gui;

namespace {

const std::wstring kTitle = L"Kalverom ISBN - EAN conversie";
const std::wstring kLabel1 =
    L"Programma voor het converteren van ISBN naar EAN of voor EAN naar ISBN BELANGRIJK :  "
    L"Maak vooraf een backup van uw gegevens.                             Maak Uw keuze en "
    L"druk op Start om de verwerking te starten";

// The designed form, in twips, written down here independently of the program's table.
struct Expected {
  int id;
  const char* name;
  int left, top, width, height;
  const wchar_t* caption;  // nullptr: not checked here
};

const Expected kMainControls[] = {
    {IDC_IMAGE1, "Image1", 240, 240, 480, 480, nullptr},
    {IDC_LABEL1, "Label1", 1440, 240, 9375, 1095, nullptr},
    {IDC_OPTION1, "Option1", 360, 1560, 3015, 375, L"ISBN (10) naar EAN (13)"},
    {IDC_OPTION2, "Option2", 5400, 1560, 3015, 375, L"EAN (13) naar ISBN (10)"},
    {IDC_LBLKLANTID, "lblKlantId", 360, 2260, 3015, 375, L"Klantnummer"},
    {IDC_TXTKLANTID, "txtKlantId", 3840, 2260, 975, 375, L""},
    {IDC_LBLEXTENSIE, "lblExtensie", 5400, 2260, 2055, 255, L"Nummer administratie"},
    {IDC_TXTEXTENSIE, "txtExtensie", 7800, 2260, 975, 375, L"AT"},
    {IDC_LBLEXEPATH, "lblExePath", 360, 2760, 3375, 375, L"Programma folder"},
    {IDC_TXTEXEPATH, "txtExePath", 3840, 2760, 6375, 375, nullptr},
    {IDC_BTNBROWSEPROG, "btnBrowseProg", 10440, 2760, 375, 375, L"..."},
    {IDC_LBLDATABASEPATH, "lblDatabasePath", 360, 3260, 3375, 375, L"Database folder"},
    {IDC_TXTDATABASEPATH, "txtDatabasePath", 3840, 3240, 6375, 375, nullptr},
    {IDC_BTNBROWSEDATA, "btnBrowseData", 10440, 3240, 375, 375, L"..."},
    {IDC_LBLBEZIG, "lblBezig", 360, 3840, 3135, 375, L"Bezig met bestand"},
    {IDC_TXTBEZIG, "txtBezig", 3840, 3840, 6975, 375, L""},
    {IDC_TXTLOG, "txtLog", 360, 4440, 10455, 2295, L""},
    {IDC_BTNCANCEL, "btnCancel", 360, 6840, 2175, 615, L"Stoppen"},
    {IDC_BTNSTART, "btnStart", 9120, 6960, 1695, 495, L"Start"},
};

const Expected kDialogControls[] = {
    {IDC_DRIVE1, "Drive1", 120, 120, 8415, 315, nullptr},
    {IDC_DIR1, "Dir1", 120, 480, 8415, 5265, nullptr},
    {IDC_FOLDER_OK, "btnOK", 6000, 5880, 1215, 375, L"OK"},
    {IDC_FOLDER_CANCEL, "btnCancel", 7320, 5880, 1215, 375, L"Annuleren"},
};

int g_dpi = 96;

int Px(int twips) { return MulDiv(twips, g_dpi, 1440); }

std::string Name(HWND parent, HWND h) {
  for (const auto& e : kMainControls)
    if (GetDlgItem(parent, e.id) == h) return e.name;
  for (const auto& e : kDialogControls)
    if (GetDlgItem(parent, e.id) == h) return e.name;
  return h ? "id " + std::to_string(GetDlgCtrlID(h)) : "nothing";
}

void CheckClientSize(Checks& c, HWND w, int twipsW, int twipsH, const std::string& what) {
  RECT r{};
  GetClientRect(w, &r);
  c.Equal(r.right - r.left, Px(twipsW), what + " client width");
  c.Equal(r.bottom - r.top, Px(twipsH), what + " client height");
}

template <std::size_t N>
void CheckPlaces(Checks& c, HWND parent, const Expected (&table)[N]) {
  for (const auto& e : table) {
    HWND h = GetDlgItem(parent, e.id);
    if (!h) {
      c.Ok(false, std::string(e.name) + " missing");
      continue;
    }
    RECT r = ClientRectIn(h, parent);
    c.Equal(r.left, Px(e.left), std::string(e.name) + " left");
    c.Equal(r.top, Px(e.top), std::string(e.name) + " top");
    c.Equal(r.right - r.left, Px(e.width), std::string(e.name) + " width");
    c.Equal(r.bottom - r.top, Px(e.height), std::string(e.name) + " height");
    if (e.caption) c.Equal(GetText(h), e.caption, std::string(e.name) + " caption");
  }
}

// Moving to a monitor of another DPI lays the controls out again at that DPI, and back.
template <std::size_t N>
void CheckDpiChange(Checks& c, Druvo& d, HWND w, const Expected (&table)[N], int twipsW, int twipsH,
                    const std::string& what) {
  const int home = g_dpi;
  for (int dpi : {home * 3 / 2, home}) {
    c.Ok(d.SendDpiChanged(w, static_cast<UINT>(dpi), MulDiv(twipsW, dpi, 1440),
                          MulDiv(twipsH, dpi, 1440)),
         what + ": WM_DPICHANGED to " + std::to_string(dpi) + " handled");
    g_dpi = dpi;
    Checks places;  // counted into `c` below, with the DPI in each message
    CheckPlaces(places, w, table);
    c.passed += places.passed;
    c.Ok(places.failures == 0, what + ": controls laid out again at " + std::to_string(dpi) +
                                   " DPI (" + std::to_string(places.failures) + " wrong)");
  }
  g_dpi = home;
}

// The focusable controls as Tab visits them, from `first` round to `first` again.
std::vector<HWND> TabWalk(HWND parent, HWND first, int max) {
  std::vector<HWND> order{first};
  HWND h = first;
  for (int i = 0; i < max; ++i) {
    h = GetNextDlgTabItem(parent, h, FALSE);
    if (!h || h == first) break;
    order.push_back(h);
  }
  return order;
}

void CheckTabOrder(Checks& c, HWND parent, const std::vector<int>& ids) {
  std::vector<HWND> got = TabWalk(parent, GetDlgItem(parent, ids.front()), 40);
  std::string gotNames, wantNames;
  for (HWND h : got) gotNames += Name(parent, h) + " ";
  for (int id : ids) wantNames += Name(parent, GetDlgItem(parent, id)) + " ";
  c.Ok(gotNames == wantNames, "tab order: got " + gotNames + "; want " + wantNames);
}

// Clicks Start and expects a refusal with `text`, OK only, and the focus on `focus` after OK.
void ExpectRefusal(Checks& c, Druvo& d, HWND main, const std::wstring& text, int focusId,
                   const std::string& what) {
  Click(GetDlgItem(main, IDC_BTNSTART));
  HWND box = d.WaitMessageBox();
  c.Ok(box != nullptr, what + ": a message box appears");
  if (!box) return;
  MessageBoxInfo info = ReadMessageBox(box);
  c.Equal(info.text, text, what + ": message");
  c.Equal(info.title, L"DRUVO", what + ": message box title");
  c.Ok(info.buttons == std::vector<int>{IDOK}, what + ": OK is the only button");
  Answer(box, IDOK);
  c.Ok(WaitGone(box), what + ": the box closes on OK");
  HWND want = GetDlgItem(main, focusId);
  c.Ok(WaitFocus(d.threadId(), want),
       what + ": focus on " + Name(main, want) + ", found " + Name(main, FocusOf(d.threadId())));
  c.Ok(IsWindowEnabled(GetDlgItem(main, IDC_BTNSTART)) &&
           IsWindowEnabled(GetDlgItem(main, IDC_BTNCANCEL)),
       what + ": Start and Stop stay enabled");
}

struct Setup {
  TempFolder tmp;
  std::wstring prog = tmp / L"prog";
  std::wstring db = tmp / L"db";
  Setup() {
    MakeFolder(prog);
    MakeFolder(db);
    MakeFolder(db + L"\\Archief");
    MakeFolder(db + L"\\QMVWORK");
    MakeFolder(db + L"\\2024");
  }
};

HWND StartMain(Checks& c, Druvo& d, const Setup& s) {
  const std::wstring exe = OwnFolder() + L"\\DRUVO.exe";
  if (!d.Start(exe, s.prog, s.db)) {
    c.Ok(false, "DRUVO.exe could not be started from " + Utf8(exe));
    return nullptr;
  }
  HWND main = d.WaitWindow(DRUVO_MAIN_CLASS, kTitle);
  if (!main) {
    DWORD code = 0;
    if (d.WaitExit(0, code))
      c.Ok(false, "DRUVO.exe ended (exit code " + std::to_string(code) +
                      ") before its window appeared: no display?");
    else
      c.Ok(false, "the window \"" + Utf8(kTitle) + "\" did not appear");
  }
  return main;
}

void WindowScenario(Checks& c) {
  Setup s;
  Druvo d;
  HWND main = StartMain(c, d, s);
  if (!main) return;

  c.Equal(GetText(main), kTitle, "title");
  c.Equal(static_cast<long long>(GetDpiForWindow(main)), g_dpi, "DPI of the window");
  // The system keeps a window within the screen's size; at a high DPI the designed window
  // needs a large screen.
  RECT need{0, 0, Px(10980), Px(7545)};
  AdjustWindowRectExForDpi(&need, static_cast<DWORD>(GetWindowLongW(main, GWL_STYLE)), FALSE,
                           static_cast<DWORD>(GetWindowLongW(main, GWL_EXSTYLE)),
                           static_cast<UINT>(g_dpi));
  const int screenW = GetSystemMetrics(SM_CXSCREEN), screenH = GetSystemMetrics(SM_CYSCREEN);
  if (need.right - need.left > screenW || need.bottom - need.top > screenH)
    c.Ok(false, "the screen (" + std::to_string(screenW) + "x" + std::to_string(screenH) +
                    ") is too small for the window at " + std::to_string(g_dpi) +
                    " DPI: run Xvfb with -screen 0 1280x1024x24");
  else
    CheckClientSize(c, main, 10980, 7545, "main window");
  CheckPlaces(c, main, kMainControls);
  CheckDpiChange(c, d, main, kMainControls, 10980, 7545, "main window");
  const std::wstring label1 = GetText(GetDlgItem(main, IDC_LABEL1));
  c.Equal(label1, kLabel1, "Label1 caption");
  c.Equal(static_cast<long long>(label1.size()), 211, "Label1 caption length");
  c.Equal(GetText(GetDlgItem(main, IDC_TXTEXEPATH)), s.prog, "txtExePath: the working directory");
  c.Equal(GetText(GetDlgItem(main, IDC_TXTDATABASEPATH)), s.db, "txtDatabasePath: QMVDIR");

  // Border and position: sizeable, centred on the screen.
  const LONG style = GetWindowLongW(main, GWL_STYLE);
  c.Ok((style & WS_THICKFRAME) && (style & WS_CAPTION), "sizeable border with title bar");
  RECT wr{};
  GetWindowRect(main, &wr);
  MONITORINFO mi{};
  mi.cbSize = sizeof mi;
  GetMonitorInfoW(MonitorFromWindow(main, MONITOR_DEFAULTTOPRIMARY), &mi);
  const long cx = (wr.left + wr.right) / 2, cy = (wr.top + wr.bottom) / 2;
  const long sx = (mi.rcMonitor.left + mi.rcMonitor.right) / 2,
             sy = (mi.rcMonitor.top + mi.rcMonitor.bottom) / 2;
  // A window larger than the screen keeps its top left corner on it instead.
  const bool wide = wr.right - wr.left > mi.rcMonitor.right - mi.rcMonitor.left;
  const bool tall = wr.bottom - wr.top > mi.rcMonitor.bottom - mi.rcMonitor.top;
  c.Ok((wide ? wr.left == mi.rcWork.left : labs(cx - sx) <= 1) &&
           (tall ? wr.top == mi.rcWork.top : labs(cy - sy) <= 1),
       "window centred on the screen: centre " + std::to_string(cx) + "," + std::to_string(cy) +
           ", screen centre " + std::to_string(sx) + "," + std::to_string(sy));

  // Controls' kinds and settings.
  HWND opt1 = GetDlgItem(main, IDC_OPTION1), opt2 = GetDlgItem(main, IDC_OPTION2);
  c.Ok(SendMessageW(opt1, BM_GETCHECK, 0, 0) == BST_CHECKED, "Option1 selected at start");
  c.Ok(SendMessageW(opt2, BM_GETCHECK, 0, 0) == BST_UNCHECKED, "Option2 not selected at start");
  for (int id : {IDC_BTNSTART, IDC_BTNCANCEL, IDC_BTNBROWSEPROG, IDC_BTNBROWSEDATA}) {
    HWND b = GetDlgItem(main, id);
    c.Ok(IsWindowEnabled(b) != FALSE, Name(main, b) + " enabled at start");
    c.Ok((GetWindowLongW(b, GWL_STYLE) & BS_TYPEMASK) == BS_PUSHBUTTON,
         Name(main, b) + " is no default button");
  }
  c.Equal(SendMessageW(GetDlgItem(main, IDC_TXTKLANTID), EM_GETLIMITTEXT, 0, 0), 8,
          "txtKlantId limit");
  c.Equal(SendMessageW(GetDlgItem(main, IDC_TXTEXTENSIE), EM_GETLIMITTEXT, 0, 0), 2,
          "txtExtensie limit");
  c.Equal(SendMessageW(GetDlgItem(main, IDC_TXTLOG), EM_GETLIMITTEXT, 0, 0), 50000,
          "txtLog typing limit");
  const LONG logStyle = GetWindowLongW(GetDlgItem(main, IDC_TXTLOG), GWL_STYLE);
  c.Ok((logStyle & ES_MULTILINE) && (logStyle & WS_VSCROLL), "txtLog multi-line with scroll bar");
  c.Ok(!(GetWindowLongW(GetDlgItem(main, IDC_TXTBEZIG), GWL_STYLE) & ES_MULTILINE),
       "txtBezig single line");

  // Focus and tab order.
  c.Ok(WaitFocus(d.threadId(), opt1),
       "focus on Option1 at start, found " + Name(main, FocusOf(d.threadId())));
  // Tab enters the option group at its selected button (the arrow keys move inside it), so
  // the walk holds the one option that is selected, at its place in the tab order.
  const std::vector<int> afterOptions{
      IDC_TXTKLANTID, IDC_TXTEXTENSIE, IDC_TXTEXEPATH, IDC_TXTDATABASEPATH, IDC_TXTBEZIG,
      IDC_TXTLOG,     IDC_BTNCANCEL,   IDC_BTNSTART,   IDC_BTNBROWSEPROG,   IDC_BTNBROWSEDATA};
  std::vector<int> tabIndexes{IDC_OPTION1, IDC_OPTION2};
  tabIndexes.insert(tabIndexes.end(), afterOptions.begin(), afterOptions.end());
  // The button control keeps WS_TABSTOP only on the selected radio button, so both options
  // count here by their kind.
  std::vector<int> tabStops;
  for (HWND h = GetWindow(main, GW_CHILD); h; h = GetWindow(h, GW_HWNDNEXT)) {
    const LONG st = GetWindowLongW(h, GWL_STYLE);
    wchar_t cls[32] = {};
    GetClassNameW(h, cls, 32);
    const bool radio = _wcsicmp(cls, L"Button") == 0 && (st & BS_TYPEMASK) == BS_AUTORADIOBUTTON;
    if ((st & WS_TABSTOP) || radio) tabStops.push_back(GetDlgCtrlID(h));
  }
  c.Ok(tabStops == tabIndexes, "focusable controls in the designed tab order");
  std::vector<int> walk{IDC_OPTION1};
  walk.insert(walk.end(), afterOptions.begin(), afterOptions.end());
  CheckTabOrder(c, main, walk);
  Click(opt2);
  Sleep(300);
  c.Ok(SendMessageW(opt2, BM_GETCHECK, 0, 0) == BST_CHECKED &&
           SendMessageW(opt1, BM_GETCHECK, 0, 0) == BST_UNCHECKED,
       "selecting Option2 clears Option1");
  walk[0] = IDC_OPTION2;
  CheckTabOrder(c, main, walk);
  Click(opt1);
  Sleep(300);
  c.Ok(SendMessageW(opt1, BM_GETCHECK, 0, 0) == BST_CHECKED &&
           SendMessageW(opt2, BM_GETCHECK, 0, 0) == BST_UNCHECKED,
       "selecting Option1 again clears Option2");
  for (int id : {IDC_IMAGE1, IDC_LABEL1, IDC_LBLKLANTID, IDC_LBLBEZIG})
    c.Ok(!(GetWindowLongW(GetDlgItem(main, id), GWL_STYLE) & WS_TABSTOP),
         Name(main, GetDlgItem(main, id)) + " takes no focus");

  // Typing stops at the limits.
  HWND klant = GetDlgItem(main, IDC_TXTKLANTID), ext = GetDlgItem(main, IDC_TXTEXTENSIE);
  Type(klant, L"123456789A");
  c.Equal(SettledText(klant), L"12345678", "typing into txtKlantId stops at 8");
  SetText(ext, L"");
  Type(ext, L"XYZ");
  c.Equal(SettledText(ext), L"XY", "typing into txtExtensie stops at 2");
  SetText(ext, L"AT");
  SetText(klant, L"");

  // Enter and Esc do nothing: no default button starts the run, no cancel button ends it.
  for (HWND target : {klant, opt1, GetDlgItem(main, IDC_TXTEXEPATH)}) {
    PressKey(target, VK_RETURN);
    PressKey(target, VK_ESCAPE);
  }
  Sleep(700);
  c.Ok(d.FindMessageBox() == nullptr && d.Running(), "Enter and Esc do nothing");

  // The start checks' refusals, through the real window.
  ExpectRefusal(c, d, main, L"Klantcode is verplicht !", IDC_TXTKLANTID, "empty customer number");
  SetText(klant, L"   ");
  ExpectRefusal(c, d, main, L"Klantcode is verplicht !", IDC_TXTKLANTID, "blank customer number");
  SetText(klant, L"4711");
  HWND exePath = GetDlgItem(main, IDC_TXTEXEPATH);
  SetText(exePath, L"");
  ExpectRefusal(c, d, main, L"Programma folder is verplicht !", IDC_TXTEXEPATH,
                "empty program folder");
  SetText(exePath, s.prog);
  ExpectRefusal(c, d, main, L"Geen goede programma folder; vereist bestand ontbreekt",
                IDC_TXTEXEPATH, "program folder without QMV.EXE");
  WriteEmptyFile(s.prog + L"\\QMV.EXE");
  WriteEmptyFile(s.prog + L"\\RCX.EXE");
  ExpectRefusal(c, d, main, L"Geen goede database folder; vereist bestand ontbreekt",
                IDC_TXTDATABASEPATH, "database folder without TRWMIX.DAT");

  // The date question, answered with Cancel: nothing changes.
  const std::wstring trwmix = s.db + L"\\TRWMIX.DAT";
  WriteEmptyFile(trwmix);
  SetLocalModified(trwmix, 2026, 12, 7, 18, 30);
  Click(GetDlgItem(main, IDC_BTNSTART));
  HWND box = d.WaitMessageBox();
  c.Ok(box != nullptr, "date question appears");
  if (box) {
    MessageBoxInfo info = ReadMessageBox(box);
    c.Equal(info.text, L"Database laatst gewijzigd op 07-12-2026 18:30 Is dit correct ?",
            "date question");
    c.Ok(info.buttons == std::vector<int>({IDOK, IDCANCEL}), "date question has OK and Cancel");
    Answer(box, IDCANCEL);
    c.Ok(WaitGone(box), "date question closes on Cancel");
    Sleep(300);
    c.Ok(d.FindMessageBox() == nullptr, "no further message after Cancel");
    c.Ok(IsWindowEnabled(GetDlgItem(main, IDC_BTNSTART)) &&
             IsWindowEnabled(GetDlgItem(main, IDC_BTNCANCEL)),
         "Start and Stop enabled after Cancel");
  }

  // Closing the window ends the program.
  PostMessageW(main, WM_CLOSE, 0, 0);
  DWORD code = 1;
  c.Ok(d.WaitExit(10000, code) && code == 0, "closing the window ends the program with code 0");

  // Stop ends the program at once, also with unsaved edits in the folder boxes.
  Druvo d2;
  HWND main2 = StartMain(c, d2, s);
  if (!main2) return;
  SetText(GetDlgItem(main2, IDC_TXTDATABASEPATH), L"C:\\elders");
  Click(GetDlgItem(main2, IDC_BTNCANCEL));
  code = 1;
  c.Ok(d2.WaitExit(10000, code) && code == 0, "Stop ends the program with code 0");
}

// ---- the folder dialog ----

struct DirLine {
  std::wstring name;
  int level;
  bool opened;
};

std::vector<DirLine> ReadDirLines(HWND list) {
  std::vector<DirLine> lines;
  const LRESULT n = SendMessageW(list, LB_GETCOUNT, 0, 0);
  for (LRESULT i = 0; i < n; ++i) {
    wchar_t buf[1024] = {};
    const LRESULT len = SendMessageW(list, LB_GETTEXTLEN, static_cast<WPARAM>(i), 0);
    if (len > 0 && len < 1024)
      SendMessageW(list, LB_GETTEXT, static_cast<WPARAM>(i), reinterpret_cast<LPARAM>(buf));
    const LRESULT data = SendMessageW(list, LB_GETITEMDATA, static_cast<WPARAM>(i), 0);
    lines.push_back({buf, static_cast<int>(data & 0xFFFF), (data & 0x10000) != 0});
  }
  return lines;
}

// The open folder as the directory list shows it: its chain of lines joined.
std::wstring OpenFolder(HWND list) {
  std::wstring path;
  for (const DirLine& l : ReadDirLines(list)) {
    if (!l.opened) break;
    if (!path.empty() && path.back() != L'\\') path += L'\\';
    path += l.name;
  }
  return path;
}

int LineIndex(HWND list, const std::wstring& name) {
  std::vector<DirLine> lines = ReadDirLines(list);
  for (std::size_t i = 0; i < lines.size(); ++i)
    if (lines[i].name == name) return static_cast<int>(i);
  return -1;
}

bool WaitOpenFolder(HWND list, const std::wstring& want) {
  for (int i = 0; i < 200; ++i) {
    if (_wcsicmp(OpenFolder(list).c_str(), want.c_str()) == 0) return true;
    Sleep(25);
  }
  return false;
}

std::wstring Parent(const std::wstring& path) { return path.substr(0, path.find_last_of(L'\\')); }

// Double-clicks a line of the list.
void DoubleClickLine(HWND list, int index) {
  SendMessageW(list, LB_SETCURSEL, static_cast<WPARAM>(index), 0);
  const LRESULT h = SendMessageW(list, LB_GETITEMHEIGHT, 0, 0);
  const LRESULT top = SendMessageW(list, LB_GETTOPINDEX, 0, 0);
  const int y = static_cast<int>((index - top) * h + h / 2);
  const LPARAM at = MAKELPARAM(Px(900), y);
  PostMessageW(list, WM_LBUTTONDOWN, MK_LBUTTON, at);
  PostMessageW(list, WM_LBUTTONUP, 0, at);
  PostMessageW(list, WM_LBUTTONDBLCLK, MK_LBUTTON, at);
  PostMessageW(list, WM_LBUTTONUP, 0, at);
}

HWND OpenDialog(Checks& c, Druvo& d, HWND main, bool program, const std::string& what) {
  Click(GetDlgItem(main, program ? IDC_BTNBROWSEPROG : IDC_BTNBROWSEDATA));
  const std::wstring title = program ? L"Selecteer programma folder" : L"Selecteer database folder";
  HWND dlg = d.WaitWindow(DRUVO_FOLDER_CLASS, title, 10000);
  c.Ok(dlg != nullptr, what + ": the dialog \"" + Utf8(title) + "\" opens");
  if (dlg) c.Ok(!IsWindowEnabled(main), what + ": the main window takes no input meanwhile");
  return dlg;
}

void ExpectClosed(Checks& c, HWND dlg, HWND main, const std::string& what) {
  c.Ok(WaitGone(dlg), what + ": the dialog closes");
  for (int i = 0; i < 100 && !IsWindowEnabled(main); ++i) Sleep(25);
  c.Ok(IsWindowEnabled(main) != FALSE, what + ": the main window takes input again");
}

void BrowseScenario(Checks& c) {
  Setup s;
  Druvo d;
  HWND main = StartMain(c, d, s);
  if (!main) return;
  HWND exePath = GetDlgItem(main, IDC_TXTEXEPATH), dbPath = GetDlgItem(main, IDC_TXTDATABASEPATH);

  // Database folder: the dialog as designed, opened at QMVDIR; a subfolder opened with Enter.
  HWND dlg = OpenDialog(c, d, main, false, "database browse");
  if (!dlg) return;
  CheckClientSize(c, dlg, 8655, 6360, "folder dialog");
  CheckPlaces(c, dlg, kDialogControls);
  CheckDpiChange(c, d, dlg, kDialogControls, 8655, 6360, "folder dialog");
  const LONG style = GetWindowLongW(dlg, GWL_STYLE), ex = GetWindowLongW(dlg, GWL_EXSTYLE);
  c.Ok((ex & WS_EX_TOOLWINDOW) && (style & WS_SYSMENU) && !(style & WS_THICKFRAME) &&
           !(style & (WS_MINIMIZEBOX | WS_MAXIMIZEBOX)),
       "fixed-size tool window with a close button only");
  c.Ok(GetWindow(dlg, GW_OWNER) == main, "owned by the main window (not in the task bar)");
  RECT dr{}, mr{};
  GetWindowRect(dlg, &dr);
  GetWindowRect(main, &mr);
  c.Ok(labs((dr.left + dr.right) / 2 - (mr.left + mr.right) / 2) <= 1 &&
           labs((dr.top + dr.bottom) / 2 - (mr.top + mr.bottom) / 2) <= 1,
       "centred over the main window");
  HWND annuleren = GetDlgItem(dlg, IDC_FOLDER_CANCEL), ok = GetDlgItem(dlg, IDC_FOLDER_OK);
  HWND drive = GetDlgItem(dlg, IDC_DRIVE1), dir = GetDlgItem(dlg, IDC_DIR1);
  c.Ok(WaitFocus(d.threadId(), annuleren),
       "dialog opens with the focus on Annuleren, found " + Name(dlg, FocusOf(d.threadId())));
  CheckTabOrder(c, dlg, {IDC_FOLDER_CANCEL, IDC_FOLDER_OK, IDC_DRIVE1, IDC_DIR1});
  for (HWND b : {annuleren, ok})
    c.Ok((GetWindowLongW(b, GWL_STYLE) & BS_TYPEMASK) == BS_PUSHBUTTON,
         Name(dlg, b) + " is no default button");

  c.Ok(WaitOpenFolder(dir, s.db), "opens at QMVDIR: " + Utf8(OpenFolder(dir)));
  std::vector<DirLine> lines = ReadDirLines(dir);
  const LRESULT cur = SendMessageW(dir, LB_GETCURSEL, 0, 0);
  c.Ok(cur >= 0 && cur < static_cast<LRESULT>(lines.size()) && lines[cur].opened &&
           (cur + 1 == static_cast<LRESULT>(lines.size()) || !lines[cur + 1].opened),
       "the open folder is the highlighted line");
  std::wstring subs;
  int chainDepth = 0;
  for (const DirLine& l : lines) {
    if (l.opened)
      chainDepth = l.level;
    else {
      subs += l.name + L" ";
      c.Ok(l.level == chainDepth + 1,
           "subfolder " + Utf8(l.name) + " one level below the open folder");
    }
  }
  c.Equal(subs, L"2024 Archief QMVWORK ", "subfolders of the open folder, sorted");
  const LRESULT di = SendMessageW(drive, CB_GETCURSEL, 0, 0);
  wchar_t driveText[256] = {};
  if (di >= 0)
    SendMessageW(drive, CB_GETLBTEXT, static_cast<WPARAM>(di), reinterpret_cast<LPARAM>(driveText));
  c.Ok(di >= 0 && towupper(driveText[0]) == towupper(s.db[0]) && driveText[1] == L':',
       "the drive list shows the folder's drive: " + Utf8(driveText));

  SendMessageW(dir, LB_SETCURSEL, static_cast<WPARAM>(LineIndex(dir, L"Archief")), 0);
  c.Ok(OpenFolder(dir) == s.db, "a highlighted line is not opened");
  PressKey(dir, VK_RETURN);
  c.Ok(WaitOpenFolder(dir, s.db + L"\\Archief"), "Enter opens the highlighted line");
  c.Ok(d.FindMessageBox() == nullptr && IsWindow(dlg), "Enter does not close the dialog");
  Click(ok);
  ExpectClosed(c, dlg, main, "OK");
  c.Ok(WaitText(dbPath, s.db + L"\\Archief"),
       "OK puts the open folder into txtDatabasePath: " + Utf8(GetText(dbPath)));
  c.Equal(GetText(exePath), s.prog, "txtExePath untouched by a database choice");

  // Typed but not taken over: the dialog opens at the variable, and OK replaces the text.
  SetText(dbPath, L"C:\\nergens");
  dlg = OpenDialog(c, d, main, false, "database browse after typing");
  if (!dlg) return;
  dir = GetDlgItem(dlg, IDC_DIR1);
  c.Ok(WaitOpenFolder(dir, s.db + L"\\Archief"),
       "opens at the chosen folder, not at the typed text: " + Utf8(OpenFolder(dir)));
  Click(GetDlgItem(dlg, IDC_FOLDER_OK));
  ExpectClosed(c, dlg, main, "OK without opening");
  c.Ok(WaitText(dbPath, s.db + L"\\Archief"), "OK hands back the start folder itself");

  // Program folder: Annuleren changes nothing, although a folder was chosen before.
  dlg = OpenDialog(c, d, main, true, "program browse");
  if (!dlg) return;
  dir = GetDlgItem(dlg, IDC_DIR1);
  c.Ok(WaitOpenFolder(dir, s.prog),
       "opens at the working directory of the start: " + Utf8(OpenFolder(dir)));
  DoubleClickLine(dir, LineIndex(dir, L"prog") - 1);
  c.Ok(WaitOpenFolder(dir, Parent(s.prog)),
       "a double-click opens a parent: " + Utf8(OpenFolder(dir)));
  Click(GetDlgItem(dlg, IDC_FOLDER_CANCEL));
  ExpectClosed(c, dlg, main, "Annuleren");
  Sleep(200);
  c.Equal(GetText(exePath), s.prog, "Annuleren leaves txtExePath");

  // The title bar's close button acts as Annuleren.
  dlg = OpenDialog(c, d, main, true, "program browse, closed by the title bar");
  if (!dlg) return;
  dir = GetDlgItem(dlg, IDC_DIR1);
  DoubleClickLine(dir, 0);
  c.Ok(WaitOpenFolder(dir, s.prog.substr(0, 3)), "the root line opens the root");
  PostMessageW(dlg, WM_SYSCOMMAND, SC_CLOSE, 0);
  ExpectClosed(c, dlg, main, "title bar");
  Sleep(200);
  c.Equal(GetText(exePath), s.prog, "closing by the title bar leaves txtExePath");

  // A parent chosen with OK; the next browse starts there.
  dlg = OpenDialog(c, d, main, true, "program browse, parent chosen");
  if (!dlg) return;
  dir = GetDlgItem(dlg, IDC_DIR1);
  c.Ok(WaitOpenFolder(dir, s.prog), "a fresh dialog keeps nothing of the last one");
  DoubleClickLine(dir, LineIndex(dir, L"prog") - 1);
  WaitOpenFolder(dir, Parent(s.prog));
  Click(GetDlgItem(dlg, IDC_FOLDER_OK));
  ExpectClosed(c, dlg, main, "OK on a parent");
  c.Ok(WaitText(exePath, Parent(s.prog)), "txtExePath gets the parent: " + Utf8(GetText(exePath)));
  c.Equal(GetText(dbPath), s.db + L"\\Archief", "txtDatabasePath untouched by a program choice");

  // Another drive: the directory list moves to that drive.
  dlg = OpenDialog(c, d, main, false, "drive change");
  if (!dlg) return;
  dir = GetDlgItem(dlg, IDC_DIR1);
  drive = GetDlgItem(dlg, IDC_DRIVE1);
  const LRESULT count = SendMessageW(drive, CB_GETCOUNT, 0, 0);
  LRESULT other = -1;
  wchar_t otherText[256] = {};
  for (LRESULT i = 0; i < count && other < 0; ++i) {
    SendMessageW(drive, CB_GETLBTEXT, static_cast<WPARAM>(i), reinterpret_cast<LPARAM>(otherText));
    if (towupper(otherText[0]) != towupper(s.db[0])) other = i;
  }
  c.Ok(other >= 0, "the drive list holds another drive");
  if (other >= 0) {
    SendMessageW(drive, CB_SETCURSEL, static_cast<WPARAM>(other), 0);
    PostMessageW(dlg, WM_COMMAND, MAKEWPARAM(IDC_DRIVE1, CBN_SELCHANGE),
                 reinterpret_cast<LPARAM>(drive));
    bool moved = false;
    for (int i = 0; i < 200 && !moved; ++i, Sleep(25)) {
      std::vector<DirLine> l = ReadDirLines(dir);
      moved = !l.empty() && towupper(l[0].name[0]) == towupper(otherText[0]);
    }
    c.Ok(moved, "the directory list moves to drive " + Utf8(std::wstring(1, otherText[0])) + ": " +
                    Utf8(OpenFolder(dir)));
  }
  Click(GetDlgItem(dlg, IDC_FOLDER_CANCEL));
  ExpectClosed(c, dlg, main, "Annuleren after a drive change");
  Sleep(200);
  c.Equal(GetText(dbPath), s.db + L"\\Archief",
          "Annuleren after a drive change leaves txtDatabasePath");

  PostMessageW(main, WM_CLOSE, 0, 0);
  DWORD code = 1;
  c.Ok(d.WaitExit(10000, code) && code == 0, "the program ends after the browse checks");
}

// ---- a whole run ----

bool StartsWith(const std::wstring& s, const std::wstring& p) {
  return s.compare(0, p.size(), p) == 0;
}
bool EndsWith(const std::wstring& s, const std::wstring& p) {
  return s.size() >= p.size() && s.compare(s.size() - p.size(), p.size(), p) == 0;
}

// Watches a run from outside: how long the window takes to answer a message, all along and
// while the mail goes out, and when the status line reaches the first and the second file.
struct RunWatch {
  HWND main = nullptr;
  DWORD longest = 0;      // ms, the whole run (starting a utility under Wine takes a while)
  DWORD longestMail = 0;  // ms, from the run's summary to the mail-failure box
  int answers = 0, mailAnswers = 0;
  bool mailBoxSeen = false;
  ULONGLONG firstFile = 0, secondFile = 0;  // GetTickCount64 when the status line showed them

  void Look() {
    const std::wstring status = GetText(GetDlgItem(main, IDC_TXTBEZIG));
    const ULONGLONG now = GetTickCount64();
    // The entry the status line names, "Artikel (2 van 32)"; the text may be read while it
    // changes, so only its start counts.
    const std::size_t open = status.rfind(L'(');
    const int entry = open == std::wstring::npos ? 0 : _wtoi(status.c_str() + open + 1);
    if (!firstFile && entry == 1) firstFile = now;
    if (!secondFile && (entry >= 2 || status.find(L"Conversie voltooid") != std::wstring::npos))
      secondFile = now;
    const bool mail = !mailBoxSeen && status.find(L"Conversie voltooid") != std::wstring::npos;
    const DWORD t = AnswerTime(main);
    ++answers;
    if (t > longest) longest = t;
    if (mail) {
      ++mailAnswers;
      if (t > longestMail) longestMail = t;
    }
  }
};

// Waits until Stop is enabled again (the run's end); answers the mail-failure box with OK
// and counts it in `mailBoxes`. Any other message box fails the check and is answered with
// its first button.
bool WaitRunEnd(Checks& c, Druvo& d, HWND main, DWORD ms, const std::string& what,
                int* mailBoxes = nullptr, RunWatch* watch = nullptr) {
  HWND stop = GetDlgItem(main, IDC_BTNCANCEL);
  const ULONGLONG end = GetTickCount64() + ms;
  while (GetTickCount64() < end && d.Running()) {
    if (watch) watch->Look();
    if (HWND box = d.FindMessageBox()) {
      MessageBoxInfo info = ReadMessageBox(box);
      const bool mail = StartsWith(info.text, L"Versturen email mislukt");
      c.Ok(mail, what + ": unexpected message \"" + Utf8(info.text) + "\"");
      if (mail && mailBoxes) ++*mailBoxes;
      if (mail && watch) watch->mailBoxSeen = true;
      Answer(box, info.buttons.empty() ? IDOK : info.buttons.front());
      WaitGone(box);
      continue;
    }
    if (IsWindowEnabled(stop)) return true;
    Sleep(50);
  }
  return false;
}

void RunScenario(Checks& c) {
  TempFolder tmp;
  const std::wstring demo = tmp / L"demo", prog = demo + L"\\QMV", db = demo + L"\\DATA";
  const int made = RunToEnd(OwnFolder() + L"\\druvo-cli.exe", L"demo \"" + demo + L"\"", 60000);
  c.Equal(made, 0, "druvo-cli demo writes the demo installation");
  if (made != 0) return;
  // The first file is old data full of invalid numbers: its utility log has 2,000 ERROR lines
  // more, about 100,000 characters, twice what the log view keeps.
  std::string invalid;
  for (int i = 0; i < 2000; ++i)
    invalid += "0306406153;Oude titel " + std::to_string(i) + ";1;9.95\r\n";
  c.Ok(WriteBytes(db + L"\\QWIMAPD.DAT", invalid, true), "2,000 invalid numbers added to QWIMAPD.DAT");

  // Each utility call takes a while, so the run can be watched; the mail goes to a relay that
  // takes the connection and never answers, so the window waits the whole reply limit (30 s).
  SilentRelay silent;
  c.Ok(!silent.address().empty(), "a silent relay listens");
  // The utility's calls wait until the driver has seen the typed note lead the log view.
  const std::wstring go = tmp / L"go";
  const std::vector<std::wstring> env{L"RCX_DELAY_MS=150", L"DRUVO_SMTP_RELAY=" + silent.address(),
                                      L"RCX_WAIT_FOR=" + go};
  const std::wstring exe = OwnFolder() + L"\\DRUVO.exe";
  Druvo d;
  if (!d.Start(exe, tmp.path(), L"", env)) {
    c.Ok(false, "DRUVO.exe could not be started");
    return;
  }
  HWND main = d.WaitWindow(DRUVO_MAIN_CLASS, kTitle);
  c.Ok(main != nullptr, "the window appears");
  if (!main) return;
  HWND klant = GetDlgItem(main, IDC_TXTKLANTID), log = GetDlgItem(main, IDC_TXTLOG);
  HWND status = GetDlgItem(main, IDC_TXTBEZIG);
  HWND start = GetDlgItem(main, IDC_BTNSTART), stop = GetDlgItem(main, IDC_BTNCANCEL);
  bool answered = false;
  c.Ok(AgreesToLogOff(main, answered) && answered, "a log-off before the run is agreed to");

  // A note typed into the log view before the run becomes part of the log.
  Type(log, L"Notitie vooraf");
  c.Equal(SettledText(log), L"Notitie vooraf", "typing into the log view");
  Type(klant, L"4711");
  c.Equal(SettledText(klant), L"4711", "typing the customer number");
  SetText(GetDlgItem(main, IDC_TXTEXEPATH), prog);
  SetText(GetDlgItem(main, IDC_TXTDATABASEPATH), db);

  Click(start);
  HWND box = d.WaitMessageBox();
  c.Ok(box != nullptr, "the date question appears");
  if (!box) return;
  MessageBoxInfo q = ReadMessageBox(box);
  c.Ok(StartsWith(q.text, L"Database laatst gewijzigd op ") &&
           EndsWith(q.text, L" Is dit correct ?"),
       "date question: " + Utf8(q.text));
  Answer(box, IDOK);
  WaitGone(box);
  // Before the utility's first call returns, the note leads the log view; the first file's
  // long log pushes it out later.
  for (int i = 0; i < 100 && IsWindowEnabled(stop); ++i) Sleep(20);
  Sleep(200);
  const std::wstring early = GetText(log);
  c.Ok(StartsWith(early, L"Notitie vooraf"),
       "the typed note leads the log view: " + Utf8(early.substr(0, 80)));
  c.Ok(WriteEmptyFile(go), "the utility may go on");

  // While the run goes on: both buttons disabled, and the folder boxes with their browse
  // buttons (the run keeps the folders chosen at Start), progress in the status line, and
  // closing the window is refused.
  const int folderIds[] = {IDC_TXTEXEPATH, IDC_BTNBROWSEPROG, IDC_TXTDATABASEPATH,
                           IDC_BTNBROWSEDATA};
  auto folderChoice = [&](bool enabled) {
    for (int id : folderIds)
      if ((IsWindowEnabled(GetDlgItem(main, id)) != FALSE) != enabled) return false;
    return true;
  };
  RunWatch watch;
  watch.main = main;
  bool locked = false, progress = false, folderLocked = false;
  for (int i = 0; i < 400 && !(locked && progress && folderLocked); ++i, Sleep(25)) {
    watch.Look();
    locked = locked || (!IsWindowEnabled(start) && !IsWindowEnabled(stop));
    progress = progress || !GetText(status).empty();
    // A status line that names an entry: the utility is at work on it.
    folderLocked = folderLocked || (EndsWith(GetText(status), L" van 32)") && folderChoice(false));
  }
  c.Ok(locked, "Start and Stop disabled during the run");
  c.Ok(progress, "the status line shows the progress: " + Utf8(GetText(status)));
  c.Ok(folderLocked, "folder boxes and browse buttons disabled while the utility runs");
  PostMessageW(main, WM_CLOSE, 0, 0);
  for (int i = 0; i < 10; ++i, Sleep(50)) watch.Look();
  c.Ok(d.Running() && !IsWindowEnabled(stop), "closing the window during a run is refused");
  // Windows asks before a log-off or shut-down: the run says no.
  c.Ok(!AgreesToLogOff(main, answered) && answered && d.Running(),
       std::string("a log-off during the run is refused") + (answered ? "" : " (no answer)"));

  int mailBoxes = 0;
  const bool ended = WaitRunEnd(c, d, main, 240000, "first run", &mailBoxes, &watch);
  c.Ok(ended, "Stop is enabled again at the end of the run");
  if (!ended) return;
  c.Equal(mailBoxes, 1, "the mail the silent relay did not take is said once, before Stop");
  // The long log costs the window little: the first file takes about what the utility does.
  const double firstFile =
      watch.firstFile && watch.secondFile
          ? static_cast<double>(watch.secondFile - watch.firstFile) / 1000.0
          : -1;
  std::printf("first file (2,000 ERROR lines more): %.1f s from \"(1 van 32)\" to \"(2 van 32)\"\n",
              firstFile);
  std::printf("the window answered %d messages, the longest after %lu ms; %d while the mail "
              "went out, the longest after %lu ms\n",
              watch.answers, static_cast<unsigned long>(watch.longest), watch.mailAnswers,
              static_cast<unsigned long>(watch.longestMail));
  c.Ok(firstFile >= 0 && firstFile < 15,
       "the first file, its long log included, within 15 s: " + std::to_string(firstFile) + " s");
  c.Ok(watch.mailAnswers >= 20 && watch.longestMail < 1000,
       "the window answers within a second while the mail waits for the silent relay: " +
           std::to_string(watch.mailAnswers) + " answers, the longest " +
           std::to_string(watch.longestMail) + " ms");

  c.Ok(!IsWindowEnabled(start), "Start stays disabled after the run");
  bool folderOpen = folderChoice(true);
  for (int i = 0; i < 100 && !folderOpen; ++i, Sleep(20)) folderOpen = folderChoice(true);
  c.Ok(folderOpen, "folder boxes and browse buttons enabled again after the run");
  const std::wstring statusText = GetText(status);
  c.Ok(statusText == L" Conversie voltooid..." ||
           (StartsWith(statusText, L"Conversie voltooid; er zijn ") &&
            EndsWith(statusText, L"  fouten gesignaleerd")),
       "status line at the end: \"" + Utf8(statusText) + "\"");
  const std::wstring logText = GetText(log);
  // The log grew past the cap: the box holds its newest 50,000 characters (all of them
  // single UTF-16 units here) and the few closing lines the run adds after its last cap.
  c.Ok(logText.size() >= 50000 && logText.size() < 51000,
       "the log view keeps its newest 50,000 characters: " + std::to_string(logText.size()));
  c.Ok(EndsWith(logText, L" " + statusText), "the log view ends with the summary line");
  c.Ok(AgreesToLogOff(main, answered) && answered, "a log-off after the run is agreed to");
  // Every data file of the demo was handed to the utility, which left its marker; a file
  // without one is named together with what the log view says about it.
  std::wstring unconverted;
  int dataFiles = 0;
  long long errorLines = 0;  // lines of the utility's logs that begin with ERROR
  for (const std::wstring& folder : {db, db + L"\\QMVWORK"}) {
    WIN32_FIND_DATAW fd;
    HANDLE h = FindFirstFileW((folder + L"\\Q*.DAT").c_str(), &fd);
    if (h == INVALID_HANDLE_VALUE) continue;
    do {
      std::wstring base = fd.cFileName;
      base = base.substr(0, base.find(L'.'));
      if (base == L"TRWMIX") continue;
      ++dataFiles;
      std::wstring fileLog;
      if (ReadCodePageFile(folder + L"\\" + base + L".Log", fileLog)) {
        for (std::size_t from = 0; from < fileLog.size();) {
          std::size_t end = fileLog.find(L"\r\n", from);
          if (end == std::wstring::npos) end = fileLog.size();
          if (_wcsnicmp(fileLog.c_str() + from, L"ERROR", 5) == 0) ++errorLines;
          from = end + 2;
        }
      }
      if (GetFileAttributesW((folder + L"\\" + base + L".13").c_str()) == INVALID_FILE_ATTRIBUTES) {
        // Every line of the log view that names the file: the probe's, the utility's own log
        // and any line the run wrote about it.
        std::wstring said;
        for (std::size_t from = 0; from < logText.size();) {
          std::size_t end = logText.find(L"\r\n", from);
          if (end == std::wstring::npos) end = logText.size();
          const std::wstring line = logText.substr(from, end - from);
          if (line.find(base) != std::wstring::npos) said += (said.empty() ? L"" : L" | ") + line;
          from = end + 2;
        }
        unconverted += L" " + base + L" [" + (said.empty() ? L"not in the log" : said) + L"]";
      }
    } while (FindNextFileW(h, &fd));
    FindClose(h);
  }
  c.Equal(dataFiles, 32, "data files of the demo found after the run");
  c.Ok(errorLines >= 2000 &&
           statusText == L"Conversie voltooid; er zijn " + std::to_wstring(errorLines) +
                             L"  fouten gesignaleerd",
       "the error count is the utility's ERROR lines (" + std::to_string(errorLines) +
           "): \"" + Utf8(statusText) + "\"");
  c.Ok(unconverted.empty(), "every data file has its marker after the run; without:" + Utf8(unconverted));
  c.Ok(ClipboardText() == logText, "the clipboard holds the log view's text");
  std::wstring runLog;
  c.Ok(ReadCodePageFile(prog + L"\\DRUVO.Log", runLog),
       "DRUVO.Log is written in the program folder");
  c.Ok(runLog == logText + L"\r\n", "DRUVO.Log holds the log view's text");

  Click(stop);
  DWORD code = 1;
  c.Ok(d.WaitExit(10000, code) && code == 0, "Stop after the run ends the program");

  // The next start finds the conversion done: the question in the status line and the
  // message box, line breaks included, answered with No. Its mail goes to a closed port.
  Druvo again;
  if (!again.Start(exe, tmp.path(), db, {L"RCX_DELAY_MS=150", L"DRUVO_SMTP_RELAY=127.0.0.1:9"}))
    return;
  main = again.WaitWindow(DRUVO_MAIN_CLASS, kTitle);
  if (!main) return;
  Type(GetDlgItem(main, IDC_TXTKLANTID), L"4711");
  SettledText(GetDlgItem(main, IDC_TXTKLANTID));
  SetText(GetDlgItem(main, IDC_TXTEXEPATH), prog);
  Click(GetDlgItem(main, IDC_BTNSTART));
  box = again.WaitMessageBox();
  if (box) {
    Answer(box, IDOK);  // the date
    WaitGone(box);
  }
  box = again.WaitMessageBox(30000);
  c.Ok(box != nullptr, "a repeat question appears on the second start");
  if (box) {
    MessageBoxInfo info = ReadMessageBox(box);
    c.Equal(info.text, L"Conversie is al volledig gedaan ! \r\n\r\nVolledig herhalen ?",
            "repeat question, from the status line");
    c.Ok(info.buttons == std::vector<int>({IDYES, IDNO}), "repeat question has Yes and No");
    Answer(box, IDNO);
    WaitGone(box);
  }
  c.Ok(WaitRunEnd(c, again, main, 120000, "declined repeat"),
       "Stop enabled after a declined repeat");
  std::wstring repeatRunLog;
  c.Ok(ReadCodePageFile(prog + L"\\DRUVO.Log", repeatRunLog) &&
           repeatRunLog == GetText(GetDlgItem(main, IDC_TXTLOG)) + L"\r\n",
       "DRUVO.Log holds the log view's text after a declined repeat");
  Click(GetDlgItem(main, IDC_BTNCANCEL));
  code = 1;
  c.Ok(again.WaitExit(10000, code) && code == 0, "Stop ends the second start");
}

int Usage() {
  std::printf("usage: gui_driver [--dpi N] window|browse|run\n");
  return 64;
}

}  // namespace

int wmain(int argc, wchar_t** argv) {
  std::wstring scenario;
  for (int i = 1; i < argc; ++i) {
    std::wstring a = argv[i];
    if (a == L"--dpi" && i + 1 < argc)
      g_dpi = _wtoi(argv[++i]);
    else if (scenario.empty())
      scenario = a;
    else
      return Usage();
  }
  if (scenario.empty() || g_dpi <= 0) return Usage();

  // Wine gives the program the X display of the session; without one no window can open.
  wchar_t display[256] = {};
  if (!GetEnvironmentVariableW(L"DISPLAY", display, 256) || !display[0]) {
    std::printf("FAIL: no display (DISPLAY is not set): run the GUI tests inside xvfb-run\n");
    return 2;
  }

  Checks c;
  if (scenario == L"window")
    WindowScenario(c);
  else if (scenario == L"browse")
    BrowseScenario(c);
  else if (scenario == L"run")
    RunScenario(c);
  else
    return Usage();

  std::printf("%s: %d checks passed, %d failed\n", Utf8(scenario).c_str(), c.passed, c.failures);
  return c.failures == 0 ? 0 : 1;
}
