#include "sys/crc32c.h"

#include <gtest/gtest.h>

#include <cstdint>
#include <random>
#include <string>
#include <vector>

namespace {

using CrcFunction = std::uint32_t (*)(std::uint32_t, std::string_view);

// The checksum as the record has always held it: one bit at a time, straight from the
// polynomial, so that neither fast path is judged by itself.
std::uint32_t BitwiseCrc32c(std::string_view bytes) {
  std::uint32_t c = ~0u;
  for (unsigned char b : bytes) {
    c ^= b;
    for (int k = 0; k < 8; ++k) c = (c & 1) ? (c >> 1) ^ 0x82F63B78u : c >> 1;
  }
  return ~c;
}

TEST(Crc32c, KnownValuesOnTheInstructionAndTheTable) {
  std::string ascending, ones(32, '\xFF');
  for (int i = 0; i < 32; ++i) ascending += static_cast<char>(i);
  const struct {
    std::string bytes;
    std::uint32_t crc;
  } known[] = {{"", 0},
               {"123456789", 0xE3069283u},
               {std::string(32, '\0'), 0x8A9136AAu},
               {ones, 0x62A8AB43u},
               {ascending, 0x46DD794Eu}};
  for (CrcFunction crc : {&sys::Crc32c, &sys::Crc32cPortable, &sys::Crc32cFourByteSteps})
    for (const auto& k : known) EXPECT_EQ(crc(0, k.bytes), k.crc) << k.bytes.size() << " bytes";
}

// Lengths around the block edges of the fast path (three streams of long and short blocks,
// eight or four bytes at a time, the rest byte by byte), from misaligned starts, whole and in
// pieces: every way must give what the polynomial gives.
TEST(Crc32c, PathsAgreeOverLengthsStartsAndPieces) {
  std::mt19937 random(20261208);
  std::string buffer(3 * 8192 * 2 + 3 * 256 * 3 + 64, '\0');
  for (char& c : buffer) c = static_cast<char>(random());
  std::vector<std::size_t> lengths = {1,   3,   4,   5,   7,   8,   9,        255,      256,
                                      767, 768, 769, 3 * 8192 - 1, 3 * 8192,
                                      3 * 8192 + 3 * 256 + 15,     buffer.size() - 8};
  for (int i = 0; i < 40; ++i) lengths.push_back(random() % (buffer.size() - 8));
  for (std::size_t length : lengths) {
    for (std::size_t start = 0; start < 8; start += 3) {
      const std::string_view bytes(buffer.data() + start, length);
      const std::uint32_t expected = BitwiseCrc32c(bytes);
      ASSERT_EQ(sys::Crc32c(0, bytes), expected) << length << " bytes from " << start;
      ASSERT_EQ(sys::Crc32cPortable(0, bytes), expected) << length << " bytes from " << start;
      ASSERT_EQ(sys::Crc32cFourByteSteps(0, bytes), expected) << length << " bytes from " << start;
      const std::size_t cut = random() % (length + 1);
      for (CrcFunction crc : {&sys::Crc32c, &sys::Crc32cPortable, &sys::Crc32cFourByteSteps})
        ASSERT_EQ(crc(crc(0, bytes.substr(0, cut)), bytes.substr(cut)), expected)
            << length << " bytes cut at " << cut;
    }
  }
}

}  // namespace
