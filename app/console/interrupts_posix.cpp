#include <signal.h>
#include <unistd.h>

#include <cerrno>
#include <csignal>

#include "app/console/interrupts.h"

namespace druvo {

namespace {

// SIGTERM (a plain `kill`, a shutdown) is a request to end, like Ctrl-C: it too ends the
// run after the file in hand, and a second one of either ends the program.
constexpr int kSignals[] = {SIGINT, SIGTERM};
constexpr int kCount = 2;

// Written by the handler, read by the run: sig_atomic_t is what a handler may touch.
volatile std::sig_atomic_t stopAsked = 0;
volatile std::sig_atomic_t handled[kCount] = {};  // which of kSignals carry OnSignal

constexpr char kMessage[] =
    "[DRUVO] Onderbroken: de conversie stopt na het bestand dat nu wordt omgezet, met de "
    "samenvatting, DRUVO.Log en de mail. Nogmaals Ctrl-C stopt DRUVO meteen; het "
    "conversieprogramma maakt zijn bestand dan nog af.\n";

void SetDefault(int sig) {
  struct sigaction a {};
  a.sa_handler = SIG_DFL;
  sigemptyset(&a.sa_mask);
  sigaction(sig, &a, nullptr);
}

extern "C" void OnSignal(int) {
  const int savedErrno = errno;
  stopAsked = 1;
  // The next one takes the default action: the program ends at once. Both signals are
  // blocked while this runs, so one arriving now ends it right after.
  for (int i = 0; i < kCount; ++i) {
    if (handled[i]) SetDefault(kSignals[i]);
    handled[i] = 0;
  }
  ssize_t ignored = write(STDERR_FILENO, kMessage, sizeof kMessage - 1);
  (void)ignored;
  errno = savedErrno;
}

class PosixInterrupts : public Interrupts {
 public:
  void StopAfterFile() override {
    // The same Ctrl-C ends the reader of a pipe on stdout or stderr (`druvo run | tee`): the
    // run's next write must fail, not end it before its summary, run log and mail.
    struct sigaction broken {};
    if (sigaction(SIGPIPE, nullptr, &broken) == 0 && broken.sa_handler == SIG_DFL) {
      broken.sa_handler = SIG_IGN;
      sigaction(SIGPIPE, &broken, nullptr);
    }
    if (stopAsked) return;
    struct sigaction a {};
    a.sa_handler = OnSignal;
    // Restarted: a write of the log view to a pipe is not cut short by the Ctrl-C.
    a.sa_flags = SA_RESTART;
    sigemptyset(&a.sa_mask);
    for (int sig : kSignals) sigaddset(&a.sa_mask, sig);
    for (int i = 0; i < kCount; ++i) {
      struct sigaction now {};
      if (handled[i] || sigaction(kSignals[i], nullptr, &now) != 0) continue;
      // Ignored from the start (`druvo run &` in a script, nohup): it stays so.
      if (now.sa_handler == SIG_IGN) continue;
      handled[i] = 1;
      sigaction(kSignals[i], &a, nullptr);
    }
  }

  void EndAtOnce() override {
    for (int i = 0; i < kCount; ++i) {
      if (!handled[i]) continue;
      handled[i] = 0;
      SetDefault(kSignals[i]);
    }
  }

  bool StopRequested() const override { return stopAsked != 0; }
};

}  // namespace

Interrupts& ConsoleInterrupts() {
  static PosixInterrupts interrupts;
  return interrupts;
}

}  // namespace druvo
