#include "app/win32/dpi_win32.h"

#include <string>

namespace druvo::win32 {

namespace {

using GetDpiForWindowFn = UINT(WINAPI*)(HWND);
using AdjustWindowRectExForDpiFn = BOOL(WINAPI*)(RECT*, DWORD, BOOL, DWORD, UINT);
using GetDpiForMonitorFn = HRESULT(WINAPI*)(HMONITOR, int, UINT*, UINT*);
constexpr int kEffectiveDpi = 0;  // MONITOR_DPI_TYPE MDT_EFFECTIVE_DPI

template <typename Fn>
Fn Lookup(HMODULE module, const char* name) {
  // Through the generic function pointer type, which the compiler accepts as a cast
  // between unrelated function types.
  return module ? reinterpret_cast<Fn>(reinterpret_cast<void (*)()>(GetProcAddress(module, name)))
                : nullptr;
}

// shcore.dll by its full path in the system folder: never a copy beside the program.
HMODULE LoadShcore() {
  wchar_t dir[MAX_PATH];
  const UINT n = GetSystemDirectoryW(dir, MAX_PATH);
  if (n == 0 || n >= MAX_PATH) return nullptr;
  return LoadLibraryW((std::wstring(dir, n) + L"\\shcore.dll").c_str());
}

struct DpiFunctions {
  GetDpiForWindowFn getDpiForWindow = nullptr;
  AdjustWindowRectExForDpiFn adjustWindowRectExForDpi = nullptr;
  GetDpiForMonitorFn getDpiForMonitor = nullptr;

  DpiFunctions() {
    const HMODULE user32 = GetModuleHandleW(L"user32.dll");
    getDpiForWindow = Lookup<GetDpiForWindowFn>(user32, "GetDpiForWindow");
    adjustWindowRectExForDpi =
        Lookup<AdjustWindowRectExForDpiFn>(user32, "AdjustWindowRectExForDpi");
    // Windows 8.1 and the first Windows 10 releases: the monitor's DPI through shcore.dll,
    // which Windows 7 and 8 do not have.
    if (!getDpiForWindow)
      getDpiForMonitor = Lookup<GetDpiForMonitorFn>(LoadShcore(), "GetDpiForMonitor");
  }
};

const DpiFunctions& Functions() {
  static const DpiFunctions functions;
  return functions;
}

UINT SystemDpi() {
  HDC dc = GetDC(nullptr);
  const int dpi = dc ? GetDeviceCaps(dc, LOGPIXELSX) : 0;
  if (dc) ReleaseDC(nullptr, dc);
  return dpi > 0 ? static_cast<UINT>(dpi) : USER_DEFAULT_SCREEN_DPI;
}

}  // namespace

UINT WindowDpi(HWND hwnd) {
  const DpiFunctions& f = Functions();
  if (hwnd && f.getDpiForWindow) {
    if (const UINT dpi = f.getDpiForWindow(hwnd)) return dpi;
  } else if (hwnd && f.getDpiForMonitor) {
    UINT x = 0, y = 0;
    if (SUCCEEDED(f.getDpiForMonitor(MonitorFromWindow(hwnd, MONITOR_DEFAULTTONEAREST),
                                     kEffectiveDpi, &x, &y)) &&
        x > 0)
      return x;
  }
  return SystemDpi();
}

void AdjustWindowRectToDpi(RECT& r, DWORD style, DWORD exStyle, UINT dpi) {
  const DpiFunctions& f = Functions();
  if (f.adjustWindowRectExForDpi && f.adjustWindowRectExForDpi(&r, style, FALSE, exStyle, dpi))
    return;
  AdjustWindowRectEx(&r, style, FALSE, exStyle);
}

}  // namespace druvo::win32
