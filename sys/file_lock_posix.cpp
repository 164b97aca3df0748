#include <fcntl.h>
#include <sys/file.h>
#include <unistd.h>

#include <cerrno>
#include <cstdint>

#include "sys/file_lock.h"
#include "sys/fs.h"
#include "sys/fs_posix.h"
#include "sys/reason.h"

namespace sys {

namespace {

int ToInt(void* h) { return static_cast<int>(reinterpret_cast<std::intptr_t>(h)); }

}  // namespace

std::unique_ptr<FileLock> FileLock::Take(const std::string& path, LockStatus& status, std::string& why) {
  status = LockStatus::kFailed;
  // No O_CLOEXEC: the descriptor, and with it the lock, goes on into every program started
  // from here, so the lock outlives this process while a utility of the run still works.
  // Read-only: flock needs no more, and a lock file another user made read-only still serves.
  const int fd = OpenOwnFile(path, O_RDONLY, true, why);
  if (fd < 0) return nullptr;
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
  std::string why;
  return Probe(path, why) == LockStatus::kHeld;
}

LockStatus FileLock::Probe(const std::string& path, std::string& why) {
  // A missing lock file is made by Take: its folder must take a new file.
  if (KindOfName(path) == NameKind::kNothing)
    return CanChangeFolder(ParentFolder(path), why) ? LockStatus::kTaken : LockStatus::kFailed;
  const int fd = OpenOwnFile(path, O_RDONLY | O_CLOEXEC, false, why);
  if (fd < 0) return LockStatus::kFailed;
  // A moment's shared lock tells without keeping anything: it fails only against a holder.
  const bool held = flock(fd, LOCK_SH | LOCK_NB) != 0 && errno == EWOULDBLOCK;
  close(fd);
  return held ? LockStatus::kHeld : LockStatus::kTaken;
}

FileLock::~FileLock() { close(ToInt(handle_)); }

std::vector<void*> HandlesForChildren() { return {}; }

}  // namespace sys
