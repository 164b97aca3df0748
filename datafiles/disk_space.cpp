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
  // Clusters are brought to whole multiples of 1024 before the cluster size is applied:
  // coarse, but it is the figure the help desk knows from earlier runs.
  double thousands = std::nearbyint(static_cast<double>(n.freeClusters) / 1024.0);
  return static_cast<std::int64_t>(thousands) *
         static_cast<std::int64_t>(n.bytesPerSector * n.sectorsPerCluster);
}

std::int64_t AddFileKb(std::int64_t total, std::int64_t bytes) {
  return static_cast<std::int64_t>(
      std::nearbyint(static_cast<double>(total) + static_cast<double>(bytes + 1023) / 1024.0));
}

std::int64_t GetFreeSpaceKb(MainWindow& w, const std::string& drive) {
  sys::DiskFreeNumbers numbers;
  // A failed query leaves the numbers at 0: the free space is then undetermined.
  if (!w.services.queryDiskFree(DriveRoot(drive), numbers)) numbers = sys::DiskFreeNumbers{};
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
  const std::int64_t freeKb = GetFreeSpaceKb(w, w.sDBPath);
  w.SetStatus("Controleren beschikbare schijfruimte");
  const std::int64_t requiredKb = RequiredKb(w);

  bool enough;
  if (freeKb <= 0) {
    if (w.view.Ask("Voldoende schijfruimte ?", Buttons::kYesNo) != Answer::kYes) {
      w.outcome = RunOutcome::kEndedAtDiskQuestion;
      w.EndProgram();
    }
    enough = true;
  } else {
    enough = requiredKb <= freeKb;
  }

  w.LogAppend(sys::FormatGeneralDate(w.services.now()) + " " + DiskSpaceText(freeKb, requiredKb) +
              "\r\n");
  w.LogAppend("\r\n");
  w.LogCaretToEnd();
  w.view.DoEvents();
  return enough;
}

}  // namespace druvo
