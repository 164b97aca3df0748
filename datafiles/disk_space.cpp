#include "datafiles/disk_space.h"

#include <cmath>

#include "model/reporter.h"
#include "model/run_settings.h"
#include "model/services.h"
#include "sys/format.h"
#include "sys/fs.h"
#include "sys/text.h"

namespace druvo {

std::string DriveRoot(const std::string& drive) {
  if (drive.size() == 1) return drive + ":\\";
  if (drive.size() == 2 && drive[1] == ':') return drive + "\\";
  return drive;
}

std::int64_t FreeKbFromNumbers(const sys::DiskFreeNumbers& n) {
  // Exact to the byte, then rounded down: a figure that says there is room must mean it.
  return static_cast<std::int64_t>(n.availableBytes / 1024);
}

std::int64_t AddFileKb(std::int64_t total, std::int64_t bytes) {
  return static_cast<std::int64_t>(
      std::nearbyint(static_cast<double>(total) + static_cast<double>(bytes + 1023) / 1024.0));
}

std::optional<std::int64_t> GetFreeSpaceKb(const Services& services, const std::string& drive) {
  sys::DiskFreeNumbers numbers;
  if (!services.queryDiskFree(DriveRoot(drive), numbers)) return std::nullopt;
  return FreeKbFromNumbers(numbers);
}

std::int64_t RequiredKb(const RunSettings& settings, Reporter& events) {
  std::int64_t requiredKb = 0;
  for (int i = 0; i <= settings.lastEntry; ++i) {
    events.Repaint();
    std::string path =
        text::Upper(DataFilePath(settings.catalogue, i, settings.databaseFolder, settings.suffix));
    if (!sys::IsPresent(path)) continue;
    requiredKb = AddFileKb(requiredKb, sys::FileSize(path).value_or(0));
  }
  return requiredKb;
}

std::string DiskSpaceText(std::int64_t freeKb, std::int64_t requiredKb) {
  return "Beschikbare schijfruimte : " + sys::FormatGrouped(freeKb) +
         " Kb. Vereist : " + sys::FormatGrouped(requiredKb) + " Kb.";
}

std::uint64_t BytesWrittenByCall(std::int64_t bytes) {
  const std::uint64_t size = bytes > 0 ? static_cast<std::uint64_t>(bytes) : 0;
  // A line of a bare 10-digit number grows by 3 bytes in at least 10: a third covers it.
  return size + (size + 2) / 3 + (std::uint64_t{1} << 20);
}

std::uint64_t BytesNeededForCall(std::int64_t bytes) { return BytesWrittenByCall(bytes) + kRoomLeftAfterCall; }

std::optional<std::string> LackOfRoomForCall(const Services& services, const std::string& folder,
                                             std::int64_t bytes) {
  sys::DiskFreeNumbers numbers;
  if (!services.queryDiskFree(folder, numbers)) return std::nullopt;
  const std::uint64_t needed = BytesNeededForCall(bytes);
  if (numbers.availableBytes >= needed) return std::nullopt;
  return "te weinig schijfruimte (" + std::to_string(numbers.availableBytes / 1024) + " Kb vrij, " +
         std::to_string((needed + 1023) / 1024) + " Kb nodig)";
}

std::optional<std::string> RanFullDuringCall(const Services& services, const std::string& folder) {
  sys::DiskFreeNumbers numbers;
  if (!services.queryDiskFree(folder, numbers) || numbers.availableBytes >= kRoomLeftAfterCall)
    return std::nullopt;
  return "de schijf is tijdens de conversie volgelopen (" + std::to_string(numbers.availableBytes / 1024) +
         " Kb vrij)";
}

}  // namespace druvo
