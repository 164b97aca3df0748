#include "app/win32/message_loop_win32.h"

#include <algorithm>
#include <vector>

namespace druvo::win32 {

namespace {

// At most two: the main window and, while it is shown, the folder dialog.
std::vector<HWND>& DialogWindows() {
  static std::vector<HWND> windows;
  return windows;
}

std::function<void()>& BeforePump() {
  static std::function<void()> hook;
  return hook;
}

}  // namespace

void SetBeforePump(std::function<void()> hook) { BeforePump() = std::move(hook); }

void RegisterDialogWindow(HWND hwnd) { DialogWindows().push_back(hwnd); }

void UnregisterDialogWindow(HWND hwnd) {
  auto& w = DialogWindows();
  w.erase(std::remove(w.begin(), w.end(), hwnd), w.end());
}

bool RouteDialogMessage(MSG& msg) {
  if (!msg.hwnd) return false;
  HWND root = GetAncestor(msg.hwnd, GA_ROOT);
  for (HWND w : DialogWindows()) {
    if (w == root) return IsDialogMessageW(w, &msg) != FALSE;
  }
  return false;
}

void HandleMessage(MSG& msg) {
  if (RouteDialogMessage(msg)) return;
  TranslateMessage(&msg);
  DispatchMessageW(&msg);
}

bool PumpPendingMessages() {
  // Bounded, so that a window that keeps posting to itself cannot hold the caller here:
  // the pass handles what was pending, with room for what those messages post in turn.
  constexpr int kMaxMessages = 10000;
  if (BeforePump()) BeforePump()();
  MSG msg;
  for (int i = 0; i < kMaxMessages && PeekMessageW(&msg, nullptr, 0, 0, PM_REMOVE); ++i) {
    if (msg.message == WM_QUIT) {
      PostQuitMessage(static_cast<int>(msg.wParam));
      return false;
    }
    HandleMessage(msg);
  }
  return true;
}

}  // namespace druvo::win32
