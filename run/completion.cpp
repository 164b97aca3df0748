#include "run/completion.h"

#include "datafiles/journal.h"
#include "datafiles/record.h"
#include "model/main_window.h"
#include "run/mail_report.h"
#include "sys/codepage.h"
#include "sys/format.h"
#include "sys/fs.h"

namespace druvo {

namespace {

// Outside the tolerant mode nothing was handed to the utility yet, and a failure is told
// in the log view; in the tolerant mode a failing step is skipped without a word.
void Report(MainWindow& w, const std::string& what) {
  if (!w.tolerantMode) w.LogAppend("\r\n" + what);
}

// One line of the run log about the label tool, on a line of its own behind the summary;
// a swap that could not be made is an ERROR line, counted.
void SayLabelTool(MainWindow& w, const std::string& text, bool error = false) {
  w.LogAppend("\r\n" + std::string(error ? "ERROR: " : "") + "Labelprogramma " + text);
  if (error) w.CountError();
  w.LogCaretToEnd();
}

void SwapLabelTool(MainWindow& w) {
  const std::string& prog = w.sExePath;
  const bool tool = sys::IsPresent(prog + "\\LMPR.EXE");
  if (!tool || !sys::IsPresent(prog + "\\LMPR13.EXE")) {
    SayLabelTool(w, std::string("niet gewisseld: er is geen ") + (tool ? "LMPR13.EXE" : "LMPR.EXE") + " in " + prog +
                        (tool && sys::IsPresent(prog + "\\LMPR10.EXE") ? " (LMPR10.EXE is er: het was al gewisseld)" : ""));
    return;
  }
  if (!sys::SetCurrentFolder(prog)) {
    SayLabelTool(w, "niet gewisseld: de programma folder " + prog + " kan niet worden geopend", true);
    return;
  }
  // LMPR10.EXE is never replaced; with it there the swap cannot be made.
  if (sys::ResolveExisting(prog + "\\LMPR10.EXE")) {
    SayLabelTool(w, "niet gewisseld: LMPR10.EXE staat in de weg (er wordt niets overschreven)", true);
    return;
  }
  // One entry of a plan through the journal: both renames are made, or neither, so the host
  // is never left without its LMPR.EXE, not even by a crash between them. The record says
  // which direction made the swap, so that only a restore of that direction swaps it back.
  AppendLabelToolSwap(w.sDBPath, w.directionDigits, true);
  const PlanResult r = CarryOutPlan(
      w.Settings(), w, w.services,
      {{{{PlanFolder::kProgram, "LMPR.EXE", "LMPR10.EXE"}, {PlanFolder::kProgram, "LMPR13.EXE", "LMPR.EXE"}}}});
  // Told in every mode: the host's label tool is what the run log says it is.
  if (r.stopped) {
    SayLabelTool(w, "niet gewisseld: " + r.why, true);
  } else if (!r.refused.empty()) {
    SayLabelTool(w, "niet gewisseld: " + r.refused.front().name + " kan niet worden hernoemd (" + r.refused.front().why + ")",
                 true);
  } else {
    // The swap does not ask what was converted: said where nothing was.
    SayLabelTool(w, std::string("gewisseld: LMPR.EXE is nu LMPR10.EXE, LMPR13.EXE is nu LMPR.EXE") +
                        (w.convertedCount == 0 ? " (er is in deze run niets omgezet)" : ""));
  }
  if (!sys::IsPresent(prog + "\\LMPR10.EXE") || sys::IsPresent(prog + "\\LMPR13.EXE"))
    AppendLabelToolSwap(w.sDBPath, w.directionDigits, false);
  sys::SetCurrentFolder(prog);
}

}  // namespace

void CompleteRun(MainWindow& w, Summary summary) {
  // The label tool is swapped first and said, so that the summary counts a swap that could
  // not be made and stays the log view's last line.
  SwapLabelTool(w);
  if (summary != Summary::kNone) {
    if (summary == Summary::kAbandoned) {
      w.SetStatus(" Conversie afgebroken...");
    } else if (summary == Summary::kInterrupted) {
      w.SetStatus(" Conversie onderbroken...");
    } else if (w.errorCount == 0) {
      w.SetStatus(" Conversie voltooid...");
    } else {
      w.SetStatus("Conversie voltooid; er zijn " + std::to_string(w.errorCount) +
                  "  fouten gesignaleerd");
    }
    w.LogAppend("\r\n" + sys::FormatGeneralDate(w.services.now()) + " " + w.Status());
    w.LogCaretToEnd();
    w.DoEvents();
  }
  w.DoEvents();

  w.view.PutOnClipboard(w.LogViewText());

  const std::string runLog = w.sExePath + "\\DRUVO.Log";
  std::string why;
  // Replaced as a name, never emptied: a link there is refused, or (where the system shows
  // none) replaced itself, and what it points to is never written.
  if (!sys::ReplaceFileDurably(runLog, sys::ToCodePage(w.LogViewText() + "\r\n"), &why)) {
    // The run log is the record of what was converted. Without it the mail is the only
    // record left: it goes as usual and says that the run log is missing, in every mode.
    w.LogAppend("\r\nKan " + runLog + " niet schrijven: " + why);
    w.LogCaretToEnd();
    w.outcome = RunOutcome::kRunLogFailed;
  }

  const std::string prog = w.view.Text(Control::txtExePath);
  char drive = prog.size() >= 2 && prog[1] == ':' ? prog[0] : 'C';
  if (!sys::SetCurrentDrive(drive) || !sys::SetCurrentFolder(prog))
    Report(w, "De programma folder " + prog + " kan niet worden geopend");

  w.mailResult = SendEmail(w, w.services.helpdesk, w.LogViewText());
  w.view.SetEnabled(Control::btnCancel, true);
}

}  // namespace druvo
