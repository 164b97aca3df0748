#include "datafiles/markers.h"
#include "run/earlier_runs.h"

#include "model/main_window.h"
#include "run/start_command.h"
#include "tools/log_view.h"

namespace druvo {

bool DetectEarlierRuns(MainWindow& w) {
  const std::string& suffix = w.dataFileSuffix;
  const std::string& digits = w.directionDigits;
  ConvertedCount count = CountConvertedFiles(w, suffix, digits);
  if (!count.anyMarker) return true;

  bool decision = false;
  if (count.dataFiles == count.markers) {
    w.SetStatus(std::string(kDoneCompletely) + " \r\n\r\n" + kRepeatCompletely);
    if (w.view.Ask(w.Status(), Buttons::kYesNo) == Answer::kYes) {
      PrepareFullRepeat(w, suffix, digits);
      decision = true;
    }
  } else if (count.dataFiles > count.markers) {
    w.SetStatus(std::string(kDonePartly) + "\r\n\r\n" + kRepeatPartly);
    if (w.view.Ask(w.Status(), Buttons::kYesNo) == Answer::kYes) {
      PreparePartialRepeat(w, suffix, digits);
      decision = true;
    }
  } else {
    w.SetStatus(kDoneAlready);
    w.view.Ask(w.Status(), Buttons::kOk);
  }
  w.view.DoEvents();

  // The earlier run's logs, all looked up in the database folder.
  for (int i = 0; i <= w.lastIndex; ++i) AppendLogToView(w, w.catalogue.baseNames[i] + ".Log");
  return decision;
}

}  // namespace druvo
