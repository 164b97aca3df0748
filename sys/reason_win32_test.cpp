#include <windows.h>
#include <winsock2.h>

#include <gtest/gtest.h>

#include "sys/fs_win32.h"
#include "sys/reason.h"

// The codes a user meets read as on POSIX, also where the system answers in English; any
// other is the system's own text, without its line end or full stop, never empty.
TEST(Reason, ErrorCodesReadInDutch) {
  const std::pair<DWORD, const char*> table[] = {
      {ERROR_FILE_NOT_FOUND, "bestand of map niet gevonden"},
      {ERROR_PATH_NOT_FOUND, "bestand of map niet gevonden"},
      {ERROR_ACCESS_DENIED, "toegang geweigerd"},
      {ERROR_WRITE_PROTECT, "de schijf is alleen-lezen"},
      {ERROR_DISK_FULL, "schijf vol"},
      {ERROR_HANDLE_DISK_FULL, "schijf vol"},
      {sys::kErrorIsFolder, "is een map"},
      {ERROR_SHARING_VIOLATION, "in gebruik door een ander programma"},
      {ERROR_LOCK_VIOLATION, "in gebruik door een ander programma"},
      {ERROR_IO_DEVICE, "lees- of schrijffout van de schijf of het netwerk"},
      {ERROR_FILENAME_EXCED_RANGE, "naam te lang"},
      {ERROR_TOO_MANY_LINKS, "te veel koppelingen"},
      {WSAECONNREFUSED, "verbinding geweigerd"},
  };
  for (const auto& [code, text] : table) EXPECT_EQ(sys::Reason(code), text) << code;
  for (DWORD other : {DWORD{ERROR_NOT_SUPPORTED}, DWORD{987654}}) {
    const std::string text = sys::Reason(other);
    ASSERT_FALSE(text.empty()) << other;
    EXPECT_EQ(text.find_first_of("\r\n"), std::string::npos) << text;
    EXPECT_NE(text.back(), '.') << text;
  }
}
