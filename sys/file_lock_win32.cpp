#include <windows.h>

#include <algorithm>
#include <mutex>

#include "sys/file_lock.h"
#include "sys/reason.h"
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

std::string Describe(DWORD err) { return Reason(err); }

}  // namespace

std::unique_ptr<FileLock> FileLock::Take(const std::string& path, LockStatus& status, std::string& why) {
  // Opened without sharing: while any process holds this handle, nobody else can open the
  // file. The handle is inheritable, but handed only to the programs started while it is
  // held (through HandlesForChildren), never to others.
  SECURITY_ATTRIBUTES sa{sizeof sa, nullptr, TRUE};
  HANDLE h = CreateFileW(Widen(path).c_str(), GENERIC_READ | GENERIC_WRITE, 0, &sa, OPEN_ALWAYS,
                         FILE_ATTRIBUTE_NORMAL, nullptr);
  if (h == INVALID_HANDLE_VALUE) {
    const DWORD err = GetLastError();
    status = err == ERROR_SHARING_VIOLATION || err == ERROR_LOCK_VIOLATION ? LockStatus::kHeld
                                                                             : LockStatus::kFailed;
    why = Describe(err);
    return nullptr;
  }
  status = LockStatus::kTaken;
  std::lock_guard<std::mutex> g(HeldMutex());
  Held().push_back(h);
  return std::unique_ptr<FileLock>(new FileLock(h));
}

bool FileLock::IsHeld(const std::string& path) {
  HANDLE h = CreateFileW(Widen(path).c_str(), GENERIC_READ,
                         FILE_SHARE_READ | FILE_SHARE_WRITE | FILE_SHARE_DELETE, nullptr,
                         OPEN_EXISTING, FILE_ATTRIBUTE_NORMAL, nullptr);
  if (h != INVALID_HANDLE_VALUE) {
    CloseHandle(h);
    return false;
  }
  return GetLastError() == ERROR_SHARING_VIOLATION;
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
