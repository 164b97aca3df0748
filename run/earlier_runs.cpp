#include "run/earlier_runs.h"

#include "datafiles/markers.h"
#include "model/main_window.h"
#include "tools/log_view.h"

namespace druvo {

RunDecision DetectEarlierRuns(MainWindow& w) {
  const std::string& suffix = w.dataFileSuffix;
  const std::string& digits = w.directionDigits;
  const RunSettings settings = w.Settings();
  ConvertedCount count = CountConvertedFiles(settings, w, suffix, digits);
  if (!count.anyMarker) return RunDecision::kRun;

  RunDecision decision = RunDecision::kNotRun;
  Preparation prepared;
  if (count.dataFiles == count.markers) {
    w.SetStatus(std::string(kDoneCompletely) + " \r\n\r\n" + kRepeatCompletely);
    if (w.view.Ask(w.Status(), Buttons::kYesNo) == Answer::kYes) {
      prepared = PrepareFullRepeat(settings, w, w.services, suffix, digits);
      decision = RunDecision::kRun;
    }
  } else if (count.dataFiles > count.markers) {
    w.SetStatus(std::string(kDonePartly) + "\r\n\r\n" + kRepeatPartly);
    if (w.view.Ask(w.Status(), Buttons::kYesNo) == Answer::kYes) {
      prepared = PreparePartialRepeat(settings, w, w.services, suffix, digits);
      decision = RunDecision::kRun;
    }
  } else {
    w.SetStatus(kDoneAlready);
    w.view.Ask(w.Status(), Buttons::kOk);
  }
  w.entriesReported |= prepared.reported;
  if (prepared.stopped) {
    // A data file may be missing until the plan is finished: nothing more is touched now.
    w.LogError(prepared.why);
    w.view.Ask(prepared.why, Buttons::kOk);
    w.outcome = RunOutcome::kFailed;
    return RunDecision::kStopped;
  }
  w.DoEvents();

  // The earlier run's logs, all looked up in the database folder.
  for (int i = 0; i <= w.LastEntry(); ++i) AppendLogToView(w, w.catalogue.baseNames[i] + ".Log");
  return decision;
}

}  // namespace druvo
