#include <fcntl.h>
#include <pthread.h>
#include <sched.h>
#include <poll.h>
#include <signal.h>
#include <sys/stat.h>
#include <sys/syscall.h>
#include <sys/wait.h>
#include <time.h>
#include <unistd.h>

#include <algorithm>
#include <cerrno>
#include <cstdint>
#include <memory>
#include <optional>
#include <vector>

#include "sys/fs.h"
#include "tools/process_platform.h"

namespace druvo {

namespace {

// Children whose wait timed out run on; they are reaped here later so that none stays a
// zombie for the rest of the program's life.
std::vector<pid_t>& Abandoned() {
  static std::vector<pid_t> pids;
  return pids;
}

void ReapAbandoned() {
  auto& pids = Abandoned();
  pids.erase(std::remove_if(pids.begin(), pids.end(),
                            [](pid_t p) { return waitpid(p, nullptr, WNOHANG) != 0; }),
             pids.end());
}

bool IsRegularFile(const std::string& path) {
  struct stat st;
  return stat(path.c_str(), &st) == 0 && S_ISREG(st.st_mode);
}

bool HasExtension(const std::string& path) {
  const auto slash = path.find_last_of("\\/");
  const auto dot = path.find('.', slash == std::string::npos ? 0 : slash + 1);
  return dot != std::string::npos;
}

// Programs are named as on Windows ("C:\QMV\RCX"): the path goes through the same
// case-insensitive look-up as every other path, and a name without an extension is also
// tried with ".exe", as Windows does when it starts a program.
std::optional<std::string> FindProgram(const std::string& program) {
  if (auto r = sys::ResolveExisting(program); r && IsRegularFile(*r)) return r;
  if (!HasExtension(program)) {
    if (auto r = sys::ResolveExisting(program + ".exe"); r && IsRegularFile(*r)) return r;
  }
  return std::nullopt;
}

int OpenPidFd(pid_t pid) {
#ifdef SYS_pidfd_open
  return static_cast<int>(syscall(SYS_pidfd_open, pid, 0));
#else
  (void)pid;
  return -1;
#endif
}

class PosixProcess : public StartedProcess {
 public:
  PosixProcess(pid_t pid, int pidfd) : pid_(pid), pidfd_(pidfd) {}
  ~PosixProcess() override {
    if (pidfd_ >= 0) close(pidfd_);
    if (!reaped_) Abandoned().push_back(pid_);
  }

  State Query() override {
    if (reaped_) return State::kEnded;
    int status = 0;
    const pid_t r = waitpid(pid_, &status, WNOHANG);
    if (r == 0) return State::kRunning;
    if (r < 0 && errno == ECHILD) {
      // Reaped behind our back (SIGCHLD ignored somewhere): the process is gone.
      reaped_ = true;
      return State::kEnded;
    }
    if (r != pid_) return State::kUnknown;
    reaped_ = true;
    abnormal_ = WIFSIGNALED(status);
    exitCode_ = WIFEXITED(status) ? static_cast<std::uint32_t>(WEXITSTATUS(status))
                                  : 128u + static_cast<std::uint32_t>(WTERMSIG(status));
    return State::kEnded;
  }

  std::uint32_t ExitCode() const override { return exitCode_; }
  bool EndedAbnormally() const override { return abnormal_; }

  void Pause(int ms) override {
    if (pidfd_ >= 0) {
      // The pidfd becomes readable when the process ends: no latency, no busy wake-ups.
      pollfd p{pidfd_, POLLIN, 0};
      poll(&p, 1, ms);
      return;
    }
    // Kernels without pidfd: short sleeps keep the detection of the end quick.
    timespec t{0, std::min(ms, 5) * 1000000L};
    nanosleep(&t, nullptr);
  }

 private:
  pid_t pid_;
  int pidfd_;
  bool reaped_ = false;
  bool abnormal_ = false;
  std::uint32_t exitCode_ = 0;
};

// Standard input and output of every utility: opened once, kept for the program's life.
int DevNull() {
  static const int fd = open("/dev/null", O_RDWR | O_CLOEXEC);
  return fd;
}

// What the child does between its start and the utility's.
struct ChildPlan {
  char* const* argv;
  int devNull;   // -1: not to be had
  int errWrite;  // the errno goes here when the utility cannot be started
};

int ChildMain(void* arg) {
  const ChildPlan& plan = *static_cast<const ChildPlan*>(arg);
  // The child is deliberately not tied to this program's life: a utility ended half-way
  // through a data file would leave it torn. It inherits the run's lock descriptor, which
  // keeps a new run out until it has finished.
  // A process group of its own: the terminal's Ctrl-C (SIGINT), Ctrl-\ (SIGQUIT) and
  // hang-up (SIGHUP) go to the terminal's foreground process group, this program's, and
  // end this program only, never the utility in the middle of its file. The parent sets
  // the group too, so that no signal finds the child still in the old one once
  // StartProcess has returned.
  setpgid(0, 0);
  // Signals are blocked since before the start, and from here on no signal of the terminal
  // reaches the child. This program's handlers must never run in the child, which shares its
  // memory: a signal that came before, waiting, has its handler set back to the default
  // first, as the exec would set it. (Asking every signal's handler instead cost over a
  // hundred system calls per utility call.)
  sigset_t waiting;
  sigemptyset(&waiting);
  sigpending(&waiting);
  struct sigaction dfl {};
  dfl.sa_handler = SIG_DFL;
  sigemptyset(&dfl.sa_mask);
  for (int sig = 1; sig < NSIG; ++sig) {
    struct sigaction now {};
    if (sigismember(&waiting, sig) == 1 && sigaction(sig, nullptr, &now) == 0 &&
        now.sa_handler != SIG_DFL && now.sa_handler != SIG_IGN)
      sigaction(sig, &dfl, nullptr);
  }
  // Outside the foreground group a write to the terminal (standard error) would stop the
  // utility with SIGTTOU where the terminal has `tostop` set, a read from it with SIGTTIN,
  // and a stopped utility never finishes its file: ignored, the write goes through and the
  // read fails. A pipe on standard error whose reader the same Ctrl-C ended
  // (`druvo run 2>&1 | tee`) would end it with SIGPIPE: ignored, only the write fails.
  // Ignored dispositions survive exec.
  struct sigaction ignore {};
  ignore.sa_handler = SIG_IGN;
  sigemptyset(&ignore.sa_mask);
  for (int sig : {SIGTTOU, SIGTTIN, SIGPIPE}) sigaction(sig, &ignore, nullptr);
  // No terminal input, and nothing on our standard output, which the console front end
  // uses for the log view; standard error stays for diagnostics.
  if (plan.devNull >= 0) {
    dup2(plan.devNull, STDIN_FILENO);
    dup2(plan.devNull, STDOUT_FILENO);
  }
  sigset_t none;
  sigemptyset(&none);
  sigprocmask(SIG_SETMASK, &none, nullptr);
  execv(plan.argv[0], plan.argv);
  const int err = errno;
  ssize_t ignored = write(plan.errWrite, &err, sizeof err);
  (void)ignored;
  _exit(127);
}

// Starts the child as vfork does: it borrows this program's memory instead of a copy of it,
// and this thread waits until the utility has replaced it (or it has failed). A copy (fork)
// took half of DRUVO's own processor time in a run of small data files: the copied page
// tables, and the faults on every page either side wrote before the exec. -1 when not
// started.
pid_t StartChild(ChildPlan& plan) {
  constexpr std::size_t kStack = 64 * 1024;
  const std::unique_ptr<char[]> stack(new char[kStack]);
  void* top = stack.get() + kStack - 64;
  top = reinterpret_cast<void*>(reinterpret_cast<std::uintptr_t>(top) & ~std::uintptr_t{63});
  sigset_t all, old;
  sigfillset(&all);
  pthread_sigmask(SIG_SETMASK, &all, &old);
  const pid_t pid = clone(ChildMain, top, CLONE_VM | CLONE_VFORK | SIGCHLD, &plan);
  pthread_sigmask(SIG_SETMASK, &old, nullptr);
  return pid;
}

}  // namespace

std::unique_ptr<StartedProcess> StartProcess(const Command& command) {
  ReapAbandoned();
  const std::optional<std::string> path = FindProgram(command.program);
  if (!path) return nullptr;

  // Everything the child needs is prepared before it starts: it shares this program's
  // memory until the utility replaces it, so it may only make system calls.
  std::vector<std::string> storage;
  storage.push_back(*path);
  storage.insert(storage.end(), command.args.begin(), command.args.end());
  std::vector<char*> argv;
  for (auto& s : storage) argv.push_back(s.data());
  argv.push_back(nullptr);

  int errPipe[2];
  if (pipe2(errPipe, O_CLOEXEC) != 0) return nullptr;
  ChildPlan plan{argv.data(), DevNull(), errPipe[1]};
  const pid_t pid = StartChild(plan);
  if (pid < 0) {
    close(errPipe[0]);
    close(errPipe[1]);
    return nullptr;
  }

  // Fails harmlessly (EACCES) when the child has already set it and started the program.
  setpgid(pid, pid);
  close(errPipe[1]);
  // The pipe closes on a successful exec; an errno arriving means nothing was started.
  int childErr = 0;
  ssize_t n;
  do {
    n = read(errPipe[0], &childErr, sizeof childErr);
  } while (n < 0 && errno == EINTR);
  close(errPipe[0]);
  if (n == static_cast<ssize_t>(sizeof childErr)) {
    waitpid(pid, nullptr, 0);
    return nullptr;
  }
  return std::make_unique<PosixProcess>(pid, OpenPidFd(pid));
}

}  // namespace druvo
