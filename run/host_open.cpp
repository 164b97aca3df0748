#include "run/host_open.h"

#include <chrono>
#include <thread>

#include "datafiles/record.h"
#include "model/catalogue.h"
#include "model/main_window.h"
#include "sys/fs.h"

namespace druvo {

std::string InUseText(const std::string& file) {
  return file + " is in gebruik door een ander programma. Sluit QMV af en druk opnieuw op Start.";
}

bool DataFilesFree(MainWindow& w) {
  const int last = w.LastEntry();
  // The waits of all files together: a program that has just been closed may hold its
  // handles a moment longer, as the last utility of a run may hold the lock (run_lock.cpp).
  int waits = 0;
  for (int i = 0; i <= last; ++i) {
    const std::string path = DataFilePath(w.catalogue, i, w.sDBPath, w.dataFileSuffix);
    if (!sys::IsPresent(path)) continue;
    while (sys::TryExclusiveOpen(path) == sys::ExclusiveOpen::kInUse) {
      if (++waits > 40) {
        w.RefuseCommand(InUseText(RecordKey(w.catalogue, i, w.dataFileSuffix)), RunOutcome::kRefused);
        w.view.SetFocus(Control::btnStart);
        return false;
      }
      std::this_thread::sleep_for(std::chrono::milliseconds(50));
    }
  }
  return true;
}

}  // namespace druvo
