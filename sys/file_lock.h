// An exclusive lock held through an open lock file. The lock is shared with every program
// this process starts afterwards: it stays held until this process and all of them have
// ended, and the system drops it when the last holder ends, so a crash never leaves a stale
// lock behind.
#pragma once

#include <memory>
#include <string>
#include <vector>

namespace sys {

enum class LockStatus {
  kTaken,   // the lock is ours
  kHeld,    // another process (or a program it started) holds it
  kFailed,  // the lock file cannot be made or opened; `why` says why
};

class FileLock {
 public:
  /// Takes the lock of `path` without waiting, creating the lock file when missing. The lock
  /// file is one of the program's own files (sys/fs.h): opened for reading only, made so that
  /// every user of the folder can open it, never a link, a FIFO or a folder.
  static std::unique_ptr<FileLock> Take(const std::string& path, LockStatus& status, std::string& why);
  /// Whether another process holds the lock of `path`. Creates nothing; a missing lock file
  /// is a lock nobody holds.
  static bool IsHeld(const std::string& path);
  /// What Take would meet now, found without making, changing or keeping anything: kTaken
  /// (it would take the lock), kHeld, or kFailed with `why` as Take would say it.
  static LockStatus Probe(const std::string& path, std::string& why);

  /// Releases this process's hold; programs it started keep theirs.
  ~FileLock();
  FileLock(const FileLock&) = delete;
  FileLock& operator=(const FileLock&) = delete;

 private:
  explicit FileLock(void* handle) : handle_(handle) {}
  void* handle_;
};

/// The handles (Win32) every program started now must inherit: those of the locks held.
/// Empty on POSIX, where a lock's descriptor is simply kept open across exec.
std::vector<void*> HandlesForChildren();

}  // namespace sys
