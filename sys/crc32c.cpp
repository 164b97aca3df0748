#include "sys/crc32c.h"

#include <array>
#include <cstddef>
#include <cstring>

#if (defined(__x86_64__) || defined(__i386__)) && (defined(__GNUC__) || defined(__clang__))
#define DRUVO_CRC32C_X86 1
#include <nmmintrin.h>
#endif

namespace sys {

namespace {

// Everything below works on the raw register: the CRC without the inversion at its start
// and end. Over the raw register a CRC is linear: the register after some bytes, started
// from `c`, is the register after as many zero bytes started from `c`, xor the register
// after those bytes started from 0. That is what lets independent streams be joined.

constexpr std::uint32_t kPolynomial = 0x82F63B78u;

using Table = std::array<std::uint32_t, 256>;

// slice[0] takes one byte; slice[k] the byte that has k more bytes behind it.
struct SliceTables {
  std::array<Table, 8> slice;
  SliceTables() {
    for (std::uint32_t i = 0; i < 256; ++i) {
      std::uint32_t c = i;
      for (int k = 0; k < 8; ++k) c = (c & 1) ? (c >> 1) ^ kPolynomial : c >> 1;
      slice[0][i] = c;
    }
    for (std::size_t k = 1; k < 8; ++k)
      for (std::size_t i = 0; i < 256; ++i)
        slice[k][i] = (slice[k - 1][i] >> 8) ^ slice[0][slice[k - 1][i] & 0xFF];
  }
};

const SliceTables& Tables() {
  static const SliceTables tables;
  return tables;
}

std::uint32_t Load32(const unsigned char* p) {
  return static_cast<std::uint32_t>(p[0]) | static_cast<std::uint32_t>(p[1]) << 8 |
         static_cast<std::uint32_t>(p[2]) << 16 | static_cast<std::uint32_t>(p[3]) << 24;
}

std::uint32_t TableUpdate(std::uint32_t reg, const unsigned char* p, std::size_t n) {
  const auto& t = Tables().slice;
  for (; n >= 8; p += 8, n -= 8) {
    const std::uint32_t lo = reg ^ Load32(p);
    const std::uint32_t hi = Load32(p + 4);
    reg = t[7][lo & 0xFF] ^ t[6][(lo >> 8) & 0xFF] ^ t[5][(lo >> 16) & 0xFF] ^ t[4][lo >> 24] ^
          t[3][hi & 0xFF] ^ t[2][(hi >> 8) & 0xFF] ^ t[1][(hi >> 16) & 0xFF] ^ t[0][hi >> 24];
  }
  for (; n > 0; ++p, --n) reg = t[0][(reg ^ *p) & 0xFF] ^ (reg >> 8);
  return reg;
}

#if DRUVO_CRC32C_X86

// The register after `Length` zero bytes, as a table per byte of the register (the step is
// linear, so the four lookups are xor-ed).
template <std::size_t Length>
struct ZeroShift {
  std::array<Table, 4> byte;
  ZeroShift() {
    static const std::array<unsigned char, Length> zeros{};
    std::uint32_t basis[32];
    for (int b = 0; b < 32; ++b) basis[b] = TableUpdate(1u << b, zeros.data(), Length);
    for (std::size_t k = 0; k < 4; ++k)
      for (std::uint32_t i = 0; i < 256; ++i) {
        std::uint32_t v = 0;
        for (int b = 0; b < 8; ++b)
          if (i & (1u << b)) v ^= basis[8 * k + b];
        byte[k][i] = v;
      }
  }
  std::uint32_t operator()(std::uint32_t c) const {
    return byte[0][c & 0xFF] ^ byte[1][(c >> 8) & 0xFF] ^ byte[2][(c >> 16) & 0xFF] ^
           byte[3][c >> 24];
  }
};

// The instruction's result is ready only some cycles after it starts; three
// streams over three neighbouring blocks keep it busy every cycle. Long blocks carry the
// bulk of a piece, short ones most of what is left.
constexpr std::size_t kLongBlock = 8192;
constexpr std::size_t kShortBlock = 256;

const ZeroShift<kLongBlock>& LongShift() {
  static const ZeroShift<kLongBlock> shift;
  return shift;
}

const ZeroShift<kShortBlock>& ShortShift() {
  static const ZeroShift<kShortBlock> shift;
  return shift;
}

// One step of the instruction over a word: 8 bytes on x86-64; a 32-bit processor mode has
// only the 4-byte form.
__attribute__((target("sse4.2"))) inline std::uint32_t Step(std::uint32_t reg,
                                                            const unsigned char* p) {
  std::uint32_t word;
  std::memcpy(&word, p, sizeof word);
  return _mm_crc32_u32(reg, word);
}

#if defined(__x86_64__)
__attribute__((target("sse4.2"))) inline std::uint64_t Step(std::uint64_t reg,
                                                            const unsigned char* p) {
  std::uint64_t word;
  std::memcpy(&word, p, sizeof word);
  return _mm_crc32_u64(reg, word);
}
#endif

template <typename Word, std::size_t Length, typename Shift>
__attribute__((target("sse4.2"))) std::uint32_t ThreeStreams(std::uint32_t reg,
                                                             const unsigned char*& p,
                                                             std::size_t& n, const Shift& shift) {
  static_assert(Length % sizeof(Word) == 0);
  while (n >= 3 * Length) {
    Word c0 = reg, c1 = 0, c2 = 0;
    for (std::size_t i = 0; i < Length; i += sizeof(Word)) {
      c0 = Step(c0, p + i);
      c1 = Step(c1, p + Length + i);
      c2 = Step(c2, p + 2 * Length + i);
    }
    reg = shift(static_cast<std::uint32_t>(c0)) ^ static_cast<std::uint32_t>(c1);
    reg = shift(reg) ^ static_cast<std::uint32_t>(c2);
    p += 3 * Length;
    n -= 3 * Length;
  }
  return reg;
}

template <typename Word>
__attribute__((target("sse4.2"))) std::uint32_t InstructionUpdate(std::uint32_t reg,
                                                                  const unsigned char* p,
                                                                  std::size_t n) {
  reg = ThreeStreams<Word, kLongBlock>(reg, p, n, LongShift());
  reg = ThreeStreams<Word, kShortBlock>(reg, p, n, ShortShift());
  Word c = reg;
  for (; n >= sizeof(Word); p += sizeof(Word), n -= sizeof(Word)) c = Step(c, p);
  reg = static_cast<std::uint32_t>(c);
  for (; n > 0; ++p, --n) reg = _mm_crc32_u8(reg, *p);
  return reg;
}

// The widest step this build's processor mode has.
#if defined(__x86_64__)
using WideWord = std::uint64_t;
#else
using WideWord = std::uint32_t;
#endif

bool HasInstruction() {
  static const bool has = [] {
    __builtin_cpu_init();
    return __builtin_cpu_supports("sse4.2") != 0;
  }();
  return has;
}

#else

bool HasInstruction() { return false; }

#endif

}  // namespace

std::uint32_t Crc32c(std::uint32_t crc, std::string_view bytes) {
  const auto* p = reinterpret_cast<const unsigned char*>(bytes.data());
#if DRUVO_CRC32C_X86
  if (HasInstruction()) return ~InstructionUpdate<WideWord>(~crc, p, bytes.size());
#endif
  return ~TableUpdate(~crc, p, bytes.size());
}

std::uint32_t Crc32cFourByteSteps(std::uint32_t crc, std::string_view bytes) {
  const auto* p = reinterpret_cast<const unsigned char*>(bytes.data());
#if DRUVO_CRC32C_X86
  if (HasInstruction()) return ~InstructionUpdate<std::uint32_t>(~crc, p, bytes.size());
#endif
  return ~TableUpdate(~crc, p, bytes.size());
}

std::uint32_t Crc32cPortable(std::uint32_t crc, std::string_view bytes) {
  return ~TableUpdate(~crc, reinterpret_cast<const unsigned char*>(bytes.data()), bytes.size());
}

bool Crc32cUsesInstruction() { return HasInstruction(); }

}  // namespace sys
