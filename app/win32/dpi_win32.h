// The screen's DPI for the program's windows, on every Windows from 7 on. The functions
// that give a window its own monitor's DPI came later than Windows 7: they are looked up
// here, once, and only here; where the system lacks them the system DPI holds.
#pragma once

#include <windows.h>

namespace druvo::win32 {

/// The DPI `hwnd` is laid out at: its monitor's where the system scales per monitor
/// (GetDpiForWindow from Windows 10 1607, GetDpiForMonitor on 8.1 and early 10), the
/// system DPI before that (Windows 7 and 8), and for a null window. Never 0.
UINT WindowDpi(HWND hwnd);

/// Grows a client rectangle to the window rectangle of `style`/`exStyle` at `dpi`:
/// AdjustWindowRectExForDpi where the system has it, otherwise AdjustWindowRectEx, whose
/// frame is the system DPI's, the frame such a system draws.
void AdjustWindowRectToDpi(RECT& r, DWORD style, DWORD exStyle, UINT dpi);

}  // namespace druvo::win32
