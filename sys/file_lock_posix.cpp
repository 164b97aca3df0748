#include <fcntl.h>
#include <sys/file.h>
#include <unistd.h>

#include <cerrno>
#include <cstdint>

#include "sys/file_lock.h"
#include "sys/fs.h"
#include "sys/reason.h"

namespace sys {

namespace {

// The lock file's full name as the file system spells it (any letter case matches).
std::string LockPath(const std::string& path) {
  if (auto r = ResolveExisting(path)) return *r;
  const auto slash = path.find_last_of("\\/");
  const std::string folder = slash == std::string::npos ? "." : path.substr(0, slash);
  auto f = ResolveExisting(folder.empty() ? "/" : folder);
  return f ? *f + "/" + path.substr(slash + 1) : std::string();
}

int ToInt(void* h) { return static_cast<int>(reinterpret_cast<std::intptr_t>(h)); }

}  // namespace

std::unique_ptr<FileLock> FileLock::Take(const std::string& path, LockStatus& status, std::string& why) {
  const std::string p = LockPath(path);
  status = LockStatus::kFailed;
  if (p.empty()) {
    why = "map niet gevonden";
    return nullptr;
  }
  // No O_CLOEXEC: the descriptor, and with it the lock, goes on into every program started
  // from here, so the lock outlives this process while a utility of the run still works.
  const int fd = open(p.c_str(), O_RDWR | O_CREAT, 0666);
  if (fd < 0) {
    why = Reason(static_cast<unsigned long>(errno));
    return nullptr;
  }
  if (flock(fd, LOCK_EX | LOCK_NB) != 0) {
    const int err = errno;
    close(fd);
    if (err == EWOULDBLOCK) {
      status = LockStatus::kHeld;
    } else {
      why = Reason(static_cast<unsigned long>(err));
    }
    return nullptr;
  }
  status = LockStatus::kTaken;
  return std::unique_ptr<FileLock>(new FileLock(reinterpret_cast<void*>(static_cast<std::intptr_t>(fd))));
}

bool FileLock::IsHeld(const std::string& path) {
  auto r = ResolveExisting(path);
  if (!r) return false;
  const int fd = open(r->c_str(), O_RDONLY | O_CLOEXEC | O_NONBLOCK);
  if (fd < 0) return false;
  // A moment's shared lock tells without keeping anything: it fails only against a holder.
  const bool held = flock(fd, LOCK_SH | LOCK_NB) != 0 && errno == EWOULDBLOCK;
  close(fd);
  return held;
}

FileLock::~FileLock() { close(ToInt(handle_)); }

std::vector<void*> HandlesForChildren() { return {}; }

}  // namespace sys
