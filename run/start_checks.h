// The start checks' verdicts on the typed inputs, each without asking or changing anything:
// the Start command shows a refusal in a message box, `druvo check` prints it.
#pragma once

#include <optional>
#include <string>

#include "model/view.h"
#include "sys/clock.h"

namespace druvo {

class MainWindow;

/// The first phase of the Start command: reads and checks the inputs, confirms the database
/// date, locks the buttons, makes the database folder current, chooses the digits. False:
/// the command ends.
bool StartChecks(MainWindow& w);

/// Enables or disables the two folder boxes and their browse buttons. The start checks
/// disable them with Start and Stop: the run keeps the folders chosen at Start, on which its
/// lock, record and journal are fixed. ClickStart enables them again when the command ends.
void EnableFolderChoice(View& view, bool enabled);

struct Refusal {
  std::string message;  // the message box's text
  Control focus;        // the box that gets the focus
};

/// The administration number: no character a file name cannot hold, no wildcard.
std::optional<Refusal> CheckAdministration(const std::string& administration);
/// The customer number: required.
std::optional<Refusal> CheckCustomer(const std::string& customer);
/// The program folder: required, with QMV.EXE and RCX.EXE in it.
std::optional<Refusal> CheckProgramFolder(const std::string& programFolder);
/// The database folder: TRWMIX.DAT in it.
std::optional<Refusal> CheckDatabaseFolder(const std::string& databaseFolder);

/// The file whose date the date question shows.
std::string DatabaseDateFile(const std::string& databaseFolder);
/// "Database laatst gewijzigd op 07-12-2026 18:30", the date question without its question.
std::string DatabaseDateText(const sys::LocalDateTime& modified);
/// "De datum van ... kan niet worden gelezen"
std::string UnreadableDateText(const std::string& databaseFolder);
/// "De database folder ... kan niet worden geopend"
std::string UnopenableDatabaseText(const std::string& databaseFolder);

}  // namespace druvo
