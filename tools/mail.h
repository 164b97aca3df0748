// The mail report: the run's log to the help desk.
#pragma once

#include <functional>
#include <string>

#include "tools/smtp.h"

namespace druvo {

struct Services;

struct MailReport {
  bool sent = false;
  /// "Message sent successfully!"; the transfer log when the relay did not take the mail
  /// (refused, unreachable, no answer in time); "" after an error (a value the mail component
  /// refuses, such as a malformed address or relay).
  std::string result;
};

/// Sends one plain mail through the relay of the services, from the help desk (address and
/// name) to sEmail, subject "EAN Conversie klant " + the customer number, body sEmailText.
/// Shows nothing: the caller tells the user when it was not sent. While it waits for the
/// relay, `whileWaiting` runs every smtp::kEventSlice where it is given (the window's events);
/// without it the calling thread only waits.
MailReport SendMailReport(const Services& services, const std::string& customer, const std::string& sEmail,
                          const std::string& sEmailText, const smtp::TimeLimits& limits = {},
                          const std::function<void()>& whileWaiting = {});

}  // namespace druvo
