#include "run/disk_check.h"

#include <optional>

#include "datafiles/disk_space.h"
#include "model/main_window.h"
#include "sys/format.h"

namespace druvo {

bool CheckDiskSpace(MainWindow& w) {
  // The database folder itself is measured, not the drive letter in front of it: a folder
  // on a share or on a volume mounted into another drive has the space of its own volume.
  const std::optional<std::int64_t> measured = GetFreeSpaceKb(w.services, w.sDBPath);
  w.SetStatus("Controleren beschikbare schijfruimte");
  const std::int64_t requiredKb = RequiredKb(w.Settings(), w);

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
  w.DoEvents();
  return enough;
}

}  // namespace druvo
