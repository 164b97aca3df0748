// Patience with a file that another program holds for a moment. git for Windows, SQLite's
// Windows layer and npm's graceful-fs try such calls again for the same reason.
#include <windows.h>

#include <algorithm>
#include <atomic>

#include "sys/fs_win32.h"

namespace sys {

namespace {

constexpr ULONGLONG kPatienceMs = 10000;
constexpr DWORD kFirstWaitMs = 10, kLongestWaitMs = 500;

void Sleeping(DWORD ms) { Sleep(ms); }

std::atomic<void (*)(DWORD)> heldFileWait{Sleeping};

// Whether a refusal may be another program's passing hold. Access is also denied, for good,
// to a read-only file and where a folder stands, so their attributes tell those apart. A file
// being deleted has no attributes to show (access denied) until the last program lets go.
bool MaybeHeld(const std::wstring& path, DWORD err) {
  if (err == ERROR_SHARING_VIOLATION || err == ERROR_LOCK_VIOLATION) return true;
  if (err != ERROR_ACCESS_DENIED) return false;
  const DWORD a = GetFileAttributesW(path.c_str());
  if (a == INVALID_FILE_ATTRIBUTES) return GetLastError() == ERROR_ACCESS_DENIED;
  return !(a & (FILE_ATTRIBUTE_READONLY | FILE_ATTRIBUTE_DIRECTORY));
}

}  // namespace

DWORD RetryWhileHeld(const std::wstring& path, const std::function<DWORD()>& attempt) {
  DWORD err = attempt();
  if (err != 0 && MaybeHeld(path, err)) {
    // Short waits first, so a scanner's usual hold of a few milliseconds costs little.
    const ULONGLONG start = GetTickCount64();
    DWORD wait = kFirstWaitMs;
    for (ULONGLONG waited = 0; waited < kPatienceMs; waited = GetTickCount64() - start) {
      heldFileWait.load()(static_cast<DWORD>(std::min<ULONGLONG>(wait, kPatienceMs - waited)));
      wait = std::min(wait * 2, kLongestWaitMs);
      err = attempt();
      if (err == 0 || !MaybeHeld(path, err)) break;
    }
  }
  SetLastError(err);
  return err;
}

void SetHeldFileWait(void (*wait)(DWORD ms)) { heldFileWait = wait ? wait : Sleeping; }

}  // namespace sys
