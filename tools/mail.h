// The mail report: the run's log to the help desk.
#pragma once

#include <string>

#include "tools/smtp.h"

namespace druvo {

class MainWindow;

/// Sends one plain mail through the relay of the services (w.services.relay), from the help
/// desk (address and name) to sEmail, subject "EAN Conversie klant " + the customer number,
/// body sEmailText. Returns "Message sent successfully!", the transfer log when the relay did
/// not take the mail (refused, unreachable, no answer in time), or "" after an error (a value
/// the mail component refuses, such as a malformed address or relay). Either failure is first
/// reported in a message box that asks the user to mail the log by hand. Blocks the window's
/// thread.
std::string SendEmail(MainWindow& w, const std::string& sEmail, const std::string& sEmailText);

/// The same with other time limits for the transfer.
std::string SendEmail(MainWindow& w, const std::string& sEmail, const std::string& sEmailText,
                      const smtp::TimeLimits& limits);

}  // namespace druvo
