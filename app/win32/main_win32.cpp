// DRUVO.exe: the program's entry. Creates frmDRUVO, runs its load step, shows it and runs
// the message loop until the program ends.
#include <windows.h>
// After windows.h, which they need.
#include <commctrl.h>
#include <objbase.h>

#include "app/win32/folder_dialog_win32.h"
#include "app/win32/main_window_win32.h"
#include "app/win32/message_loop_win32.h"
#include "model/main_window.h"
#include "sys/fs_win32.h"

namespace {

// A Start runs on the window's thread, and a file another program holds for a moment may keep
// it waiting up to about 10 s (sys/fs_win32.h): the window's messages run meanwhile, so it
// repaints and is not taken for a program that hangs.
void WaitWithMessages(DWORD ms) {
  const ULONGLONG end = GetTickCount64() + ms;
  for (ULONGLONG now = GetTickCount64(); now < end; now = GetTickCount64()) {
    const DWORD left = static_cast<DWORD>(end - now);
    if (MsgWaitForMultipleObjectsEx(0, nullptr, left, QS_ALLINPUT, MWMO_INPUTAVAILABLE) ==
            WAIT_OBJECT_0 &&
        !druvo::win32::PumpPendingMessages()) {
      // The program ends: the quit message waits for the outer loop, which the run returns to.
      Sleep(left);
      return;
    }
  }
}

}  // namespace

int WINAPI wWinMain(HINSTANCE instance, HINSTANCE, PWSTR, int) {
  // A drive without a medium must fail quietly, not bring up the system's "no disk" box.
  SetErrorMode(SEM_FAILCRITICALERRORS | SEM_NOOPENFILEERRORBOX);
  // The task-bar progress is a COM object of the shell.
  const HRESULT com = CoInitializeEx(nullptr, COINIT_APARTMENTTHREADED);
  INITCOMMONCONTROLSEX icc{sizeof icc, ICC_STANDARD_CLASSES | ICC_WIN95_CLASSES};
  InitCommonControlsEx(&icc);

  sys::SetHeldFileWait(WaitWithMessages);
  druvo::win32::Win32MainWindow view(instance);
  druvo::Services services = druvo::RealServices();
  services.newFolderDialog = [instance, &view] {
    return druvo::win32::NewFolderDialog(instance, view.hwnd());
  };
  druvo::MainWindow model(view, services);
  if (!view.Create(model)) return 1;  // no display

  try {
    model.Load();
  } catch (const druvo::ProgramEnded&) {
    return 0;
  } catch (...) {
    // The load step reports nothing of its own; the window still opens with what it has.
  }
  view.Show();

  MSG msg;
  while (GetMessageW(&msg, nullptr, 0, 0) > 0) druvo::win32::HandleMessage(msg);
  if (SUCCEEDED(com)) CoUninitialize();
  return static_cast<int>(msg.wParam);
}
