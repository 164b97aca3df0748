// The disk-space check before a run.
#pragma once

#include <cstdint>
#include <optional>
#include <string>

#include "sys/diskfree.h"

namespace druvo {

class Reporter;
struct RunSettings;
struct Services;

/// Completes a drive text to a root path: "D" -> "D:\", "D:" -> "D:\", others unchanged.
std::string DriveRoot(const std::string& drive);

/// Free Kb from the query: the bytes this user may still write, in whole Kb (rounded down).
std::int64_t FreeKbFromNumbers(const sys::DiskFreeNumbers& n);

/// The running total after one more file of `bytes`: total + (bytes + 1023) / 1024,
/// rounded half to even.
std::int64_t AddFileKb(std::int64_t total, std::int64_t bytes);

/// Free space in Kb of the volume of a drive ("D", "D:", "D:\") or folder; nothing when the
/// query fails (the free space is then undetermined).
std::optional<std::int64_t> GetFreeSpaceKb(const Services& services, const std::string& drive);

/// What the present data files of the catalogue occupy, in Kb as the disk check adds them.
/// Repaints the window once per entry; changes nothing.
std::int64_t RequiredKb(const RunSettings& settings, Reporter& events);

/// The log line's figures: "Beschikbare schijfruimte : 4.001.792 Kb. Vereist : 1.234 Kb."
std::string DiskSpaceText(std::int64_t freeKb, std::int64_t requiredKb);

/// Room every utility call must leave free on its volume. A call that ends with less free
/// ran the volume full, or came within a hair of it: its file may be torn.
constexpr std::uint64_t kRoomLeftAfterCall = std::uint64_t{1} << 20;

/// What one utility call on a data file of `bytes` may write on its volume: the marker (a
/// copy of the file), the file's growth (a third: a 10-digit number becomes 13 digits), and
/// 1 MiB for the per-file log and the record's line written before the call.
std::uint64_t BytesWrittenByCall(std::int64_t bytes);

/// What must be free right before that call: what it may write and kRoomLeftAfterCall. So a
/// call that writes no more than BytesWrittenByCall always leaves kRoomLeftAfterCall, and
/// RanFullDuringCall can tell it from one that ran out of room, whatever came between.
std::uint64_t BytesNeededForCall(std::int64_t bytes);

/// Measured right before a utility call on a data file of `bytes` in `folder`: nothing when
/// its volume holds what the call needs (or cannot be measured, which the disk check has put
/// to the user already), else why the file is not handed over:
/// "te weinig schijfruimte (192 Kb vrij, 2385 Kb nodig)". A utility that runs out of room
/// half-way leaves the shop's only copy torn.
std::optional<std::string> LackOfRoomForCall(const Services& services, const std::string& folder,
                                             std::int64_t bytes);

/// Measured right after a utility call in `folder`: when less than kRoomLeftAfterCall is
/// free, the volume ran full during the call, and this says so:
/// "de schijf is tijdens de conversie volgelopen (12 Kb vrij)". Nothing when there is room,
/// or when the volume cannot be measured.
std::optional<std::string> RanFullDuringCall(const Services& services, const std::string& folder);

}  // namespace druvo
