#include "datafiles/disk_space.h"

#include <cmath>

#include "model/main_window.h"
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

std::optional<std::int64_t> GetFreeSpaceKb(MainWindow& w, const std::string& drive) {
  sys::DiskFreeNumbers numbers;
  if (!w.services.queryDiskFree(DriveRoot(drive), numbers)) return std::nullopt;
  return FreeKbFromNumbers(numbers);
}

std::int64_t RequiredKb(MainWindow& w) {
  std::int64_t requiredKb = 0;
  for (int i = 0; i <= w.lastIndex; ++i) {
    w.view.Repaint();
    std::string path = text::Upper(DataFilePath(w.catalogue, i, w.sDBPath, w.dataFileSuffix));
    if (!sys::IsPresent(path)) continue;
    requiredKb = AddFileKb(requiredKb, sys::FileSize(path).value_or(0));
  }
  return requiredKb;
}

std::string DiskSpaceText(std::int64_t freeKb, std::int64_t requiredKb) {
  return "Beschikbare schijfruimte : " + sys::FormatGrouped(freeKb) +
         " Kb. Vereist : " + sys::FormatGrouped(requiredKb) + " Kb.";
}

bool CheckDiskSpace(MainWindow& w) {
  // The database folder itself is measured, not the drive letter in front of it: a folder
  // on a share or on a volume mounted into another drive has the space of its own volume.
  const std::optional<std::int64_t> measured = GetFreeSpaceKb(w, w.sDBPath);
  w.SetStatus("Controleren beschikbare schijfruimte");
  const std::int64_t requiredKb = RequiredKb(w);

  // Only a volume that cannot be measured is put to the user; one that is full is too
  // full, whatever the data files take.
  const std::int64_t freeKb = measured.value_or(0);
  bool enough;
  if (!measured) {
    if (w.view.Ask("Voldoende schijfruimte ?", Buttons::kYesNo) != Answer::kYes) {
      w.outcome = RunOutcome::kEndedAtDiskQuestion;
      w.EndProgram();
    }
    enough = true;
  } else {
    enough = freeKb > 0 && requiredKb <= freeKb;
  }

  w.LogAppend(sys::FormatGeneralDate(w.services.now()) + " " + DiskSpaceText(freeKb, requiredKb) +
              "\r\n");
  w.LogAppend("\r\n");
  w.LogCaretToEnd();
  w.view.DoEvents();
  return enough;
}

std::uint64_t BytesWrittenByCall(std::int64_t bytes) {
  const std::uint64_t size = bytes > 0 ? static_cast<std::uint64_t>(bytes) : 0;
  // A line of a bare 10-digit number grows by 3 bytes in at least 10: a third covers it.
  return size + (size + 2) / 3 + (std::uint64_t{1} << 20);
}

std::uint64_t BytesNeededForCall(std::int64_t bytes) { return BytesWrittenByCall(bytes) + kRoomLeftAfterCall; }

std::optional<std::string> LackOfRoomForCall(MainWindow& w, const std::string& folder,
                                             std::int64_t bytes) {
  sys::DiskFreeNumbers numbers;
  if (!w.services.queryDiskFree(folder, numbers)) return std::nullopt;
  const std::uint64_t needed = BytesNeededForCall(bytes);
  if (numbers.availableBytes >= needed) return std::nullopt;
  return "te weinig schijfruimte (" + std::to_string(numbers.availableBytes / 1024) + " Kb vrij, " +
         std::to_string((needed + 1023) / 1024) + " Kb nodig)";
}

std::optional<std::string> RanFullDuringCall(MainWindow& w, const std::string& folder) {
  sys::DiskFreeNumbers numbers;
  if (!w.services.queryDiskFree(folder, numbers) || numbers.availableBytes >= kRoomLeftAfterCall)
    return std::nullopt;
  return "de schijf is tijdens de conversie volgelopen (" + std::to_string(numbers.availableBytes / 1024) +
         " Kb vrij)";
}

}  // namespace druvo
