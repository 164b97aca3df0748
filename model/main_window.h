// frmDRUVO's state and operations: the settings, the catalogue, the error count, the log
// view's text, the load step, Stop and the browse buttons.
#pragma once

#include <bitset>
#include <cstdint>
#include <string>
#include <string_view>

#include "model/catalogue.h"
#include "model/log_text.h"
#include "model/reporter.h"
#include "model/run_outcome.h"
#include "model/run_settings.h"
#include "model/services.h"
#include "model/view.h"

namespace druvo {

/// The window's state; it tells the parts of a run through its View.
class MainWindow : public Reporter {
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

  // The log view (txtLog) and the status line, as the parts of a run tell them.
  void LogAppend(std::string_view text) override;
  /// Keeps the newest kLogCap characters.
  void LogCap() override;
  void LogCaretToEnd() override;
  void CountError() override;
  void SetStatus(const std::string& text) override { view.SetText(Control::txtBezig, text); }
  void Repaint() override { view.Repaint(); }
  void DoEvents() override { view.DoEvents(); }

  /// The last index a walk over the catalogue visits: lastIndex, never past the catalogue.
  int LastEntry() const;
  /// What the Start fixed, from the window's settings: the folders, the suffix, the
  /// direction, the customer number and the catalogue.
  RunSettings Settings() const;

  /// Ends a command that a check refused before anything was touched: a message box with OK
  /// says why, both buttons are enabled again and `outcome` tells how it ended.
  void RefuseCommand(const std::string& message, RunOutcome why);
  std::string LogViewText() const { return log.Text(); }
  /// The user typed into the log view: the window's text is taken over.
  void OnLogEditedByUser(const std::string& text);

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
  /// Data files the loop of this Start command counted converted.
  int convertedCount = 0;
  std::string directionDigits;
  std::string mailResult;
};

}  // namespace druvo
