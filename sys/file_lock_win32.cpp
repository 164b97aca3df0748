#include <windows.h>

#include <algorithm>
#include <mutex>

#include "sys/file_lock.h"
#include "sys/fs.h"
#include "sys/fs_win32.h"
#include "sys/wide_win32.h"

namespace sys {

namespace {

std::mutex& HeldMutex() {
  static std::mutex m;
  return m;
}

std::vector<void*>& Held() {
  static std::vector<void*> handles;
  return handles;
}

bool HeldByAnother(DWORD err) { return err == ERROR_SHARING_VIOLATION || err == ERROR_LOCK_VIOLATION; }

}  // namespace

std::unique_ptr<FileLock> FileLock::Take(const std::string& path, LockStatus& status, std::string& why) {
  // Opened without sharing: while any process holds this handle, nobody else can open the
  // file. Read access is enough for that, and a lock file made read-only still serves. The
  // handle is inheritable, but handed only to the programs started while it is held
  // (through HandlesForChildren), never to others.
  SECURITY_ATTRIBUTES sa{sizeof sa, nullptr, TRUE};
  HANDLE h = OpenOwnFileHandle(path, GENERIC_READ, 0, &sa, true, 0, why);
  if (h == INVALID_HANDLE_VALUE) {
    status = HeldByAnother(GetLastError()) ? LockStatus::kHeld : LockStatus::kFailed;
    return nullptr;
  }
  status = LockStatus::kTaken;
  std::lock_guard<std::mutex> g(HeldMutex());
  Held().push_back(h);
  return std::unique_ptr<FileLock>(new FileLock(h));
}

bool FileLock::IsHeld(const std::string& path) {
  std::string why;
  return Probe(path, why) == LockStatus::kHeld;
}

LockStatus FileLock::Probe(const std::string& path, std::string& why) {
  // A missing lock file is made by Take: its folder must take a new file.
  if (KindOfName(path) == NameKind::kNothing)
    return CanChangeFolder(ParentFolder(path), why) ? LockStatus::kTaken : LockStatus::kFailed;
  HANDLE h = OpenOwnFileHandle(path, GENERIC_READ,
                               FILE_SHARE_READ | FILE_SHARE_WRITE | FILE_SHARE_DELETE, nullptr,
                               false, 0, why);
  if (h == INVALID_HANDLE_VALUE)
    return HeldByAnother(GetLastError()) ? LockStatus::kHeld : LockStatus::kFailed;
  CloseHandle(h);
  return LockStatus::kTaken;
}

FileLock::~FileLock() {
  {
    std::lock_guard<std::mutex> g(HeldMutex());
    auto& held = Held();
    held.erase(std::remove(held.begin(), held.end(), handle_), held.end());
  }
  CloseHandle(static_cast<HANDLE>(handle_));
}

std::vector<void*> HandlesForChildren() {
  std::lock_guard<std::mutex> g(HeldMutex());
  return Held();
}

}  // namespace sys
