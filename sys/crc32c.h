// CRC-32C (Castagnoli, reflected polynomial 0x82F63B78), the checksum of the record of the
// data files. A data file of a gigabyte is checked twice per run, so this must keep pace with
// reading it: the processor's crc32 instruction where it has one (SSE4.2, chosen at run time;
// 8 bytes a step on x86-64, 4 in the 32-bit build), a table that takes eight bytes at a time
// elsewhere. All give the same values.
#pragma once

#include <cstdint>
#include <string_view>

namespace sys {

/// Continues a CRC-32C over more bytes; start with 0. Crc32c(Crc32c(0, a), b) equals
/// Crc32c(0, a + b).
std::uint32_t Crc32c(std::uint32_t crc, std::string_view bytes);

/// The same with the portable table on any processor: what Crc32c uses where there is no
/// instruction, reachable here so that the two can be held against each other.
std::uint32_t Crc32cPortable(std::uint32_t crc, std::string_view bytes);

/// The instruction in 4-byte steps, as the 32-bit build takes it (the table where the
/// processor lacks it): reachable on x86-64 too, where the tests run.
std::uint32_t Crc32cFourByteSteps(std::uint32_t crc, std::string_view bytes);

/// Whether Crc32c uses the processor's instruction on this machine.
bool Crc32cUsesInstruction();

}  // namespace sys
