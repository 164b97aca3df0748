// The second phase of the Start command: what an earlier run left, and whether to repeat it.
#pragma once

namespace druvo {

class MainWindow;

enum class RunDecision {
  kRun,      // the loop runs
  kNotRun,   // repeat declined, or already done
  kStopped,  // a repeat preparation could not put a refused entry back: a message box said
             // which file and why, its plan stays for the next Start, nothing more is touched
};

/// Counts data files and markers, asks whether to repeat, prepares the repeat and shows the
/// earlier run's logs. The entries a preparation refused go to w.entriesReported.
RunDecision DetectEarlierRuns(MainWindow& w);

// The three cases of an earlier run, as the status line and the message box name them.

constexpr char kDoneCompletely[] = "Conversie is al volledig gedaan !";
constexpr char kRepeatCompletely[] = "Volledig herhalen ?";
constexpr char kDonePartly[] = "Conversie is reeds gedeeltelijk gedaan !";
constexpr char kRepeatPartly[] = "Opnieuw ?";
constexpr char kDoneAlready[] = "Conversie is al gedaan !";

}  // namespace druvo
