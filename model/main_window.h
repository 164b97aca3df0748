// frmDRUVO's state and operations: the settings, the catalogue, the error count, the log
// view's text, the load step, Stop and the browse buttons.
#pragma once

#include <bitset>
#include <cstdint>
#include <functional>
#include <memory>
#include <string>
#include <string_view>

#include "model/catalogue.h"
#include "model/folder_dialog.h"
#include "model/log_text.h"
#include "model/view.h"
#include "sys/clock.h"
#include "sys/diskfree.h"
#include "sys/fs.h"

namespace druvo {

/// The platform services the operations use where a test must be able to steer them.
struct Services {
  std::function<double()> secondsSinceMidnight;
  std::function<sys::LocalDateTime()> now;
  std::function<bool(const std::string& root, sys::DiskFreeNumbers&)> queryDiskFree;
  std::function<sys::RenameResult(const std::string& from, const std::string& to)> rename;
  /// Called just before each change a run makes to the database folder's own files (the
  /// journal, the record) and before each utility call; empty in the program. A test ends
  /// the process here to prove that a crash at that moment harms nothing.
  std::function<void(std::string_view what)> beforeChange;
  /// Whether the user asked to end the run after the file in hand (the console program's
  /// first Ctrl-C); empty: never.
  std::function<bool()> stopRequested;
  /// Creates the folder selection dialog; empty where the front end has none.
  std::function<std::unique_ptr<FolderDialog>()> newFolderDialog;
  std::string helpdesk;  // recipient, sender and sender name of the mail report
  std::string relay;     // SMTP relay, host or host:port
};

/// The real services; the help desk and relay from the build, overridden by
/// DRUVO_HELPDESK and DRUVO_SMTP_RELAY.
Services RealServices();

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
};

/// Thrown to end the program at once; caught at the top of the click handler.
struct ProgramEnded {};

class MainWindow {
 public:
  static constexpr std::size_t kLogCap = 50000;

  explicit MainWindow(View& view, Services services = RealServices());

  /// The load step: defaults, suffix, catalogue, events once.
  void Load();

  /// Click of btnCancel ("Stoppen"): ends the program.
  void ClickStop();
  /// Clicks of the two browse buttons.
  void ClickBrowseProg();
  void ClickBrowseData();
  /// Whether the window may close now: not while a Start command runs.
  bool CanClose() const { return !runActive; }

  /// Ends the program at once: the view quits and the running operation unwinds.
  [[noreturn]] void EndProgram();

  /// Takes the variable's value when an environment entry's first characters, upper-cased,
  /// equal the name; writes it into txtDatabasePath.
  std::string FindEnvironmentPath(const std::string& name);
  /// ".D" + the administration number when it has exactly two characters, else ".DAT".
  std::string GetDataFileSuffix();

  // The log view (txtLog).
  void LogAppend(std::string_view text);
  /// Keeps the newest kLogCap characters.
  void LogCap();
  void LogCaretToEnd();
  /// Appends the text as a line of its own, keeps the cap and shows the end.
  void LogLine(const std::string& text);
  /// Appends "ERROR: " + text as a line of its own and counts it, as the utility's ERROR
  /// lines are counted.
  void LogError(const std::string& text);

  /// Ends a command that a check refused before anything was touched: a message box with OK
  /// says why, both buttons are enabled again and `outcome` tells how it ended.
  void RefuseCommand(const std::string& message, RunOutcome why);
  std::string LogViewText() const { return log.Text(); }
  /// The user typed into the log view: the window's text is taken over.
  void OnLogEditedByUser(const std::string& text);

  /// Tells the services' beforeChange hook, where a test set one.
  void BeforeChange(std::string_view what) {
    if (services.beforeChange) services.beforeChange(what);
  }

  /// Whether the user asked to end the run after the file in hand.
  bool StopRequested() const { return services.stopRequested && services.stopRequested(); }

  void SetStatus(const std::string& text) { view.SetText(Control::txtBezig, text); }
  std::string Status() { return view.Text(Control::txtBezig); }

  View& view;
  Services services;

  // Window-level state.
  std::string sPathName;
  std::string sDBPath;
  std::string sExePath;
  std::string dataFileSuffix;
  std::string customerNumber;
  FileCatalogue catalogue;
  std::int16_t lastIndex = 31;
  std::int16_t errorCount = 0;
  LogText log;

  // The Start command in progress or last run.
  bool runActive = false;
  bool tolerantMode = false;
  /// Catalogue entries this Start command has named in an ERROR line of their own already
  /// (a refused repeat preparation): the loop leaves them alone without a second line.
  std::bitset<kCatalogueSize> entriesReported;
  RunOutcome outcome = RunOutcome::kNone;
  std::string directionDigits;
  std::string mailResult;
};

}  // namespace druvo
