#include "model/main_window.h"
#include "run/start_command.h"
#include "sys/codepage.h"
#include "sys/format.h"
#include "sys/fs.h"
#include "tools/mail.h"

namespace druvo {

namespace {

// Outside the tolerant mode nothing was handed to the utility yet, and a failure is told
// in the log view; in the tolerant mode a failing step is skipped without a word.
void Report(MainWindow& w, const std::string& what) {
  if (!w.tolerantMode) w.LogAppend("\r\n" + what);
}

void SwapLabelTool(MainWindow& w) {
  const std::string& prog = w.sExePath;
  if (!sys::IsPresent(prog + "\\LMPR.EXE") || !sys::IsPresent(prog + "\\LMPR13.EXE")) return;
  if (!sys::SetCurrentFolder(prog)) {
    Report(w, "De programma folder " + prog + " kan niet worden geopend");
    return;
  }
  // Two independent renames; neither ever replaces an existing file.
  for (auto [from, to] : {std::pair{"LMPR.EXE", "LMPR10.EXE"}, std::pair{"LMPR13.EXE", "LMPR.EXE"}}) {
    sys::RenameResult r = w.services.rename(from, to);
    if (!r.ok()) Report(w, std::string("Kan ") + from + " niet hernoemen naar " + to + ": " + r.why);
  }
}

}  // namespace

void CompleteRun(MainWindow& w, Summary summary) {
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
    w.view.DoEvents();
  }
  w.view.DoEvents();

  SwapLabelTool(w);

  w.view.PutOnClipboard(w.LogViewText());

  const std::string runLog = w.sExePath + "\\DRUVO.Log";
  std::string why;
  if (!sys::WriteWholeFile(runLog, sys::ToCodePage(w.LogViewText() + "\r\n"), &why)) {
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
