// The mail report: the run's log to the help desk.
#pragma once

#include <string>

namespace druvo {

class MainWindow;

/// Sends one plain mail through the relay of the build: subject "EAN Conversie klant " +
/// the customer number, body sEmailText. Returns "Message sent successfully!", the
/// transfer log when the relay refused it, or "" after a failure (reported in a message box).
std::string SendEmail(MainWindow& w, const std::string& sEmail, const std::string& sEmailText);

}  // namespace druvo
