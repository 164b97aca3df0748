#include <spawn.h>
#include <sys/wait.h>

#include <cerrno>

#include "repeat_crash.h"
#include "sys/fs.h"

extern char** environ;

namespace repeat_crash {

std::vector<std::string> Arguments(int argc, char** argv) {
  return std::vector<std::string>(argv + 1, argv + argc);
}

int RunSelf(const std::vector<std::string>& args) {
  std::string self = sys::ExecutablePath();
  std::vector<std::string> argStore{self};
  argStore.insert(argStore.end(), args.begin(), args.end());
  std::vector<char*> argv;
  for (auto& a : argStore) argv.push_back(a.data());
  argv.push_back(nullptr);

  pid_t pid;
  if (posix_spawn(&pid, self.c_str(), nullptr, nullptr, argv.data(), environ) != 0) return -1;
  int status = 0;
  while (waitpid(pid, &status, 0) < 0) {
    if (errno != EINTR) return -1;
  }
  return WIFEXITED(status) ? WEXITSTATUS(status) : -1;
}

}  // namespace repeat_crash
