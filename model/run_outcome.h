// How a Start command ended, and the program's end in the middle of one.
#pragma once

namespace druvo {

/// How the last Start command ended; the console front end turns it into its exit code.
enum class RunOutcome {
  kNone,                 // no Start command yet
  kRefused,              // a start check refused an input
  kNotConfirmed,         // Cancel at the date question
  kCompleted,            // the loop ran to its end
  kAbandoned,            // the disk check found too little space
  kNotRun,               // repeat declined, or already done
  kEndedAtDiskQuestion,  // No to "Voldoende schijfruimte ?"
  kRunLogFailed,         // the command reached its end, but the run log could not be written
  kFailed,               // the platform failed before the tolerant mode (reported to the user)
  kLocked,               // another run holds the installation's lock
  kInterrupted,          // the user ended the run after a file; the rest was not handed over
  kUnforeseen,           // ended by a failure the command did not foresee (reported to the user)
};

/// Thrown to end the program at once; caught at the top of the click handler.
struct ProgramEnded {};

}  // namespace druvo
