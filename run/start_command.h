// The Start command: start checks, earlier-run detection, conversion loop, completion.
#pragma once

#include <string>
#include <string_view>

namespace druvo {

class MainWindow;
class View;

/// Click of btnStart: the Start command. Never throws: a failure it did not foresee ends the
/// command with Stop enabled, outcome kFailed and a message box (UnforeseenFailureText).
void ClickStart(MainWindow& w);

/// The message for a command ended by a failure it did not foresee; `what` is the failure's
/// own text.
std::string UnforeseenFailureText(std::string_view what);

/// The whole run, inside the click of btnStart.
void RunStartCommand(MainWindow& w);

/// Phase 1: reads and checks the inputs, confirms the database date, locks the buttons,
/// makes the database folder current, chooses the digits. False: the command ends.
bool StartChecks(MainWindow& w);

/// Enables or disables the two folder boxes and their browse buttons. The start checks
/// disable them with Start and Stop: the run keeps the folders chosen at Start, on which its
/// lock, record and journal are fixed. ClickStart enables them again when the command ends.
void EnableFolderChoice(View& view, bool enabled);

enum class RunDecision {
  kRun,      // the loop runs
  kNotRun,   // repeat declined, or already done
  kStopped,  // a repeat preparation could not put a refused entry back: a message box said
             // which file and why, its plan stays for the next Start, nothing more is touched
};

/// Phase 2: the run decision.
RunDecision DetectEarlierRuns(MainWindow& w);

enum class LoopEnd {
  kCompleted,    // every entry was handled
  kAbandoned,    // the disk check found too little space; no entry was handled
  kInterrupted,  // the user asked to stop; the entries after the one in hand were left alone
};

/// Phase 3.
LoopEnd ConversionLoop(MainWindow& w);

enum class Summary { kNone, kCompleted, kAbandoned, kInterrupted };

/// Phase 4: summary, label-tool swap, clipboard, run log, mail, Stop enabled.
void CompleteRun(MainWindow& w, Summary summary);

}  // namespace druvo
