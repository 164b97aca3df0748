#include <spawn.h>
#include <sys/wait.h>

#include <cerrno>
#include <cstring>

#include "repeat_crash.h"
#include "sys/fs.h"

extern char** environ;

namespace repeat_crash {

namespace {
constexpr char kCrashVariable[] = "DRUVO_CRASH_AT_RENAME=";
}

std::vector<std::string> Arguments(int argc, char** argv) {
  return std::vector<std::string>(argv + 1, argv + argc);
}

int RunSelf(const std::vector<std::string>& args, long crashAt) {
  std::string self = sys::ExecutablePath();
  std::vector<std::string> argStore{self};
  argStore.insert(argStore.end(), args.begin(), args.end());
  // The child's own environment: the parent never carries the variable itself, so its
  // own renames are never counted towards a crash.
  std::vector<std::string> envStore;
  for (char** e = environ; e && *e; ++e) {
    if (std::strncmp(*e, kCrashVariable, sizeof kCrashVariable - 1) != 0) envStore.push_back(*e);
  }
  if (crashAt > 0) envStore.push_back(kCrashVariable + std::to_string(crashAt));

  std::vector<char*> argv, envp;
  for (auto& a : argStore) argv.push_back(a.data());
  argv.push_back(nullptr);
  for (auto& e : envStore) envp.push_back(e.data());
  envp.push_back(nullptr);

  pid_t pid;
  if (posix_spawn(&pid, self.c_str(), nullptr, nullptr, argv.data(), envp.data()) != 0) return -1;
  int status = 0;
  while (waitpid(pid, &status, 0) < 0) {
    if (errno != EINTR) return -1;
  }
  return WIFEXITED(status) ? WEXITSTATUS(status) : -1;
}

}  // namespace repeat_crash
