// The message loop shared by the main window and the folder dialog: keyboard navigation
// (Tab, arrows) through the dialog manager for the program's own top-level windows.
#pragma once

#include <windows.h>

#include <functional>

namespace druvo::win32 {

/// Lets IsDialogMessageW handle the message for one of the windows registered below.
void RegisterDialogWindow(HWND hwnd);
void UnregisterDialogWindow(HWND hwnd);

/// Handles keyboard navigation for a registered window; false: the caller translates and
/// dispatches the message itself.
bool RouteDialogMessage(MSG& msg);

/// Translates and dispatches one message (after RouteDialogMessage).
void HandleMessage(MSG& msg);

/// Called at the start of every PumpPendingMessages, before any message is handled: the main
/// window brings what it holds back (the log view's newest text) to its controls there, so
/// that whatever the messages paint or read is up to date. Empty: nothing.
void SetBeforePump(std::function<void()> hook);

/// One pass over the messages pending now. A WM_QUIT is posted again, so the outer loop
/// still sees it; returns false when one was seen.
bool PumpPendingMessages();

}  // namespace druvo::win32
