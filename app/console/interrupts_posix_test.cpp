// Ctrl-C during `druvo run`, delivered as a terminal delivers it: SIGINT to the whole
// foreground process group. The console program is started as a shell starts a job, in a
// process group of its own; the utility is the real stand-in, slowed down on data files.
#include <fcntl.h>
#include <gtest/gtest.h>
#include <poll.h>
#include <signal.h>
#include <sys/stat.h>
#include <sys/wait.h>
#include <unistd.h>

#include <chrono>
#include <cstring>
#include <filesystem>
#include <functional>
#include <map>
#include <thread>

#include "hostsim/demo.h"
#include "run_fixture.h"
#include "sys/file_lock.h"
#include "test_support.h"

extern char** environ;

namespace {

namespace fs = std::filesystem;
using namespace testing_support;
using Clock = std::chrono::steady_clock;

constexpr auto npos = std::string::npos;

bool WaitUntil(double seconds, const std::function<bool()>& done) {
  const auto end = Clock::now() + std::chrono::duration<double>(seconds);
  while (!done()) {
    if (Clock::now() > end) return false;
    std::this_thread::sleep_for(std::chrono::milliseconds(10));
  }
  return true;
}

// Whether a process of the program `name` has `parent` as its parent.
bool HasChild(pid_t parent, const std::string& name) {
  for (const auto& e : fs::directory_iterator("/proc")) {
    if (e.path().filename().string().find_first_not_of("0123456789") != npos) continue;
    const std::string stat = ReadFile((e.path() / "stat").string());
    const auto open = stat.find('('), close = stat.rfind(')');
    if (open == npos || close == npos || stat.substr(open + 1, close - open - 1) != name) continue;
    char state;
    long ppid = 0;
    if (std::sscanf(stat.c_str() + close + 1, " %c %ld", &state, &ppid) == 2 && ppid == parent)
      return true;
  }
  return false;
}

// A demo installation whose utility spends `delayMs` on each data file (the probe stays
// quick), and `druvo run` on it, started as a shell starts a job: a process group of its
// own, SIGINT and SIGTERM at their defaults. Without `terminal` it answers --yes and has no
// terminal; with one (a pseudo-terminal's device) it leads a session on it and asks there.
struct Job {
  TempDir dir;
  std::string prog = dir / "QMV";
  std::string db = dir / "DATA";
  std::map<std::string, std::string> before;  // every file of the database folder
  pid_t pid = -1;

  explicit Job(int delayMs, const std::string& terminal = "") {
    std::string error;
    EXPECT_TRUE(WriteDemoInstallation(dir.path(), &error)) << error;
    fs::rename(prog + "/RCX.EXE", prog + "/rcx-real");
    WriteFile(prog + "/RCX.EXE",
              "#!/bin/sh\n[ \"$1\" = N ] && export RCX_DELAY_MS=" + std::to_string(delayMs) +
                  "\nexec \"${0%/*}/rcx-real\" \"$@\"\n");
    chmod((prog + "/RCX.EXE").c_str(), 0755);
    for (const auto& e : fs::recursive_directory_iterator(db))
      if (e.is_regular_file()) before[e.path().string()] = ReadFile(e.path().string());

    std::vector<std::string> args = {Program("druvo"),   "run", "--customer",        "4711",
                                     "--program-folder", prog,  "--database-folder", db};
    if (terminal.empty()) args.push_back("--yes");
    std::vector<std::string> env = {"DRUVO_SMTP_RELAY=127.0.0.1:9"};  // the mail fails at once
    for (char** e = environ; *e; ++e)
      if (std::strncmp(*e, "DRUVO_SMTP_RELAY=", 17) != 0) env.push_back(*e);
    std::vector<char*> argv, envp;
    for (auto& a : args) argv.push_back(a.data());
    for (auto& e : env) envp.push_back(e.data());
    argv.push_back(nullptr);
    envp.push_back(nullptr);
    int out[2];
    EXPECT_EQ(pipe2(out, O_CLOEXEC), 0);
    const int err = open((dir / "err").c_str(), O_WRONLY | O_CREAT | O_TRUNC | O_CLOEXEC, 0644);

    pid = fork();
    if (pid == 0) {
      signal(SIGINT, SIG_DFL);
      signal(SIGTERM, SIG_DFL);
      if (terminal.empty()) {
        // Standard output is a pipe whose reader has gone, as after `druvo run | tee` when
        // the same Ctrl-C ended tee.
        setpgid(0, 0);
        dup2(open("/dev/null", O_RDONLY), 0);
        dup2(out[1], 1);
        dup2(err, 2);
      } else {
        // Opened by a new session's leader, the terminal becomes the session's own.
        setsid();
        const int t = open(terminal.c_str(), O_RDWR);
        for (int fd : {0, 1, 2}) dup2(t, fd);
      }
      execve(argv[0], argv.data(), envp.data());
      _exit(127);
    }
    if (terminal.empty()) setpgid(pid, pid);
    for (int fd : {out[0], out[1], err}) close(fd);
  }

  ~Job() {
    if (pid <= 0) return;
    kill(-pid, SIGKILL);
    waitpid(pid, nullptr, 0);
  }

  // Waits until the utility works on a data file: the record line is written right before
  // it starts, after the probe.
  bool AwaitUtility() {
    return WaitUntil(20, [&] { return Exists(db + "/DRUVO.REC") && HasChild(pid, "rcx-real"); });
  }
  bool AwaitOnStderr(const std::string& text) {
    return WaitUntil(10, [&] { return ReadFile(dir / "err").find(text) != npos; });
  }
  int Wait() {
    int status = 0;
    EXPECT_EQ(waitpid(pid, &status, 0), pid);
    pid = -1;
    return status;
  }
  // The run's folder as before, but for the first data file, which the utility converted
  // whole, its marker holding the bytes it had before; no other file was handed over.
  void ExpectOnlyTheFirstFileConvertedWhole() {
    const std::string first = db + "/QWIMAPD.DAT";
    for (const auto& [path, bytes] : before) {
      if (path == first) continue;
      EXPECT_TRUE(ReadFile(path) == bytes) << path << " changed";
    }
    const std::string converted = ReadFile(first);
    EXPECT_EQ(CountValidIsbn10(converted), 0);
    EXPECT_EQ(CountEan13(converted), CountValidIsbn10(before[first]));
    EXPECT_TRUE(ReadFile(db + "/QWIMAPD.13") == before[first])
        << "the marker is not the file before";
    int markers = 0;
    for (const auto& e : fs::recursive_directory_iterator(db))
      markers += e.path().extension() == ".13";
    EXPECT_EQ(markers, 1);
  }
};

constexpr char kMessage[] = "de conversie stopt na het bestand dat nu wordt omgezet";

}  // namespace

TEST(CtrlC, FirstEndsTheRunAfterTheFileInHandWithItsLogAndExitCode130) {
  Job job(800);
  ASSERT_TRUE(job.AwaitUtility());
  ASSERT_EQ(kill(-job.pid, SIGINT), 0);
  const int status = job.Wait();
  ASSERT_TRUE(WIFEXITED(status)) << "ended by signal " << WTERMSIG(status);
  EXPECT_EQ(WEXITSTATUS(status), 130);
  job.ExpectOnlyTheFirstFileConvertedWhole();
  const std::string log = ReadFile(job.prog + "/DRUVO.Log");
  EXPECT_NE(log.find("; onderbroken, niet aangeboden: 31"), npos) << log;
  EXPECT_NE(log.find(" Conversie onderbroken..."), npos) << log;
  const std::string err = ReadFile(job.dir / "err");
  EXPECT_NE(err.find(kMessage), npos) << err;
  EXPECT_NE(err.find("[mail] "), npos) << err;
}

TEST(CtrlC, SecondEndsDruvoAtOnceWhileTheUtilityFinishesItsFileUnderTheLock) {
  Job job(3500);
  ASSERT_TRUE(job.AwaitUtility());
  ASSERT_EQ(kill(-job.pid, SIGINT), 0);
  // Only once the first was taken: two signals pending at once count as one.
  ASSERT_TRUE(job.AwaitOnStderr(kMessage));
  ASSERT_EQ(kill(-job.pid, SIGINT), 0);
  const int status = job.Wait();
  EXPECT_TRUE(WIFSIGNALED(status) && WTERMSIG(status) == SIGINT) << status;

  // DRUVO is gone, the utility still works: a run started now finds the lock held.
  EXPECT_FALSE(Exists(job.db + "/QWIMAPD.13"));
  EXPECT_EQ(RunConsoleProgram("run --yes --customer 4711 --program-folder " + Quote(job.prog) +
                              " --database-folder " + Quote(job.db)),
            7);
  ASSERT_TRUE(WaitUntil(20, [&] { return !sys::FileLock::IsHeld(job.db + "/DRUVO.LCK"); }));
  job.ExpectOnlyTheFirstFileConvertedWhole();
}

// While a question waits on the terminal nothing is in flight: Ctrl-C typed there ends DRUVO
// at once, as at any prompt, rather than leave it waiting for an answer.
TEST(CtrlC, AtAQuestionOnTheTerminalEndsDruvoAtOnce) {
  const int master = posix_openpt(O_RDWR | O_NOCTTY);
  ASSERT_GE(master, 0);
  ASSERT_EQ(grantpt(master) | unlockpt(master), 0);
  Job job(0, ptsname(master));
  std::string seen;
  const bool asked = WaitUntil(10, [&] {
    pollfd p{master, POLLIN, 0};
    char buf[512];
    ssize_t n;
    if (poll(&p, 1, 0) == 1 && (n = read(master, buf, sizeof buf)) > 0) seen.append(buf, n);
    return seen.find("(a)nnuleren ? ") != npos;
  });
  ASSERT_TRUE(asked) << seen;
  ASSERT_EQ(write(master, "\x03", 1), 1);  // the terminal's interrupt character
  int status = 0;
  const bool ended = WaitUntil(5, [&] { return waitpid(job.pid, &status, WNOHANG) == job.pid; });
  close(master);
  ASSERT_TRUE(ended) << "still at the question: " << seen;
  job.pid = -1;
  EXPECT_TRUE(WIFSIGNALED(status) && WTERMSIG(status) == SIGINT) << status;
}
