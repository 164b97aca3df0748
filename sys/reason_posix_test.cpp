#include <gtest/gtest.h>

#include <cerrno>
#include <cstring>

#include "sys/reason.h"

// The errors a user meets read in Dutch; any other is the system's own text, never empty.
TEST(Reason, ErrnoValuesReadInDutch) {
  const std::pair<int, const char*> table[] = {
      {ENOENT, "bestand of map niet gevonden"},
      {EACCES, "toegang geweigerd"},
      {EPERM, "toegang geweigerd"},
      {EROFS, "de schijf is alleen-lezen"},
      {ENOSPC, "schijf vol"},
      {EISDIR, "is een map"},
      {ENOTDIR, "een deel van het pad is geen map"},
      {EBUSY, "in gebruik door een ander programma"},
      {EIO, "lees- of schrijffout van de schijf of het netwerk"},
      {ENAMETOOLONG, "naam te lang"},
      {EMLINK, "te veel koppelingen"},
      {ENXIO, "apparaat niet beschikbaar"},
      {ECONNREFUSED, "verbinding geweigerd"},
  };
  for (const auto& [code, text] : table) EXPECT_EQ(sys::Reason(code), text) << code;
  EXPECT_EQ(sys::Reason(EDOM), std::strerror(EDOM));
  EXPECT_FALSE(sys::Reason(987654).empty());
}
