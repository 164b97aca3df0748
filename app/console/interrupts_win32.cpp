#include <windows.h>

#include <atomic>

#include "app/console/interrupts.h"

namespace druvo {

namespace {

// The console calls the handler on a thread of its own.
std::atomic<bool> deferring{false};  // a Ctrl-C only asks the run to stop
std::atomic<bool> stopAsked{false};

constexpr char kMessage[] =
    "[DRUVO] Onderbroken: de conversie stopt na het bestand dat nu wordt omgezet, met de "
    "samenvatting, DRUVO.Log en de mail. Nogmaals Ctrl-C stopt DRUVO meteen; het "
    "conversieprogramma maakt zijn bestand dan nog af.\r\n";

BOOL WINAPI OnControl(DWORD event) {
  // Closing the console, log-off and shutdown: the default, the program ends.
  if (event != CTRL_C_EVENT && event != CTRL_BREAK_EVENT) return FALSE;
  // FALSE passes the event on to the default handler, which ends the program at once.
  if (!deferring.load() || stopAsked.exchange(true)) return FALSE;
  DWORD written = 0;
  WriteFile(GetStdHandle(STD_ERROR_HANDLE), kMessage, sizeof kMessage - 1, &written, nullptr);
  return TRUE;
}

class Win32Interrupts : public Interrupts {
 public:
  void StopAfterFile() override {
    if (!installed_) installed_ = SetConsoleCtrlHandler(OnControl, TRUE) != 0;
    deferring = true;
  }
  void EndAtOnce() override { deferring = false; }
  bool StopRequested() const override { return stopAsked.load(); }

 private:
  bool installed_ = false;
};

}  // namespace

Interrupts& ConsoleInterrupts() {
  static Win32Interrupts interrupts;
  return interrupts;
}

}  // namespace druvo
