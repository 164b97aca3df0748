// Starting the loopback test relay from the Linux test binary.
#include <fcntl.h>
#include <signal.h>
#include <sys/prctl.h>
#include <sys/wait.h>
#include <unistd.h>

#include "mail_test_util.h"

namespace mailtest {

SinkProcess::~SinkProcess() { Stop(); }

bool SinkProcess::Start(const std::string& script, const std::string& folder, std::string& why) {
  const char* python = "/usr/bin/python3";
  if (access(python, X_OK) != 0 || access(script.c_str(), R_OK) != 0) {
    why = std::string(python) + " or " + script + " is missing";
    return false;
  }
  pid_t pid = fork();
  if (pid < 0) {
    why = "fork failed";
    return false;
  }
  if (pid == 0) {
    // The relay must not outlive a test binary that crashes.
    prctl(PR_SET_PDEATHSIG, SIGTERM);
    // Its ready lines are for a CI script; the test reads the ready file instead.
    int devnull = open("/dev/null", O_WRONLY);
    if (devnull >= 0) dup2(devnull, STDOUT_FILENO);
    execl(python, python, script.c_str(), "--dir", folder.c_str(), static_cast<char*>(nullptr));
    _exit(127);
  }
  pid_ = pid;
  return true;
}

void SinkProcess::Stop() {
  if (pid_ <= 0) return;
  kill(static_cast<pid_t>(pid_), SIGTERM);
  int status = 0;
  waitpid(static_cast<pid_t>(pid_), &status, 0);
  pid_ = 0;
}

}  // namespace mailtest
