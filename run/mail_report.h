// The mail report of a run, as the window sends it.
#pragma once

#include <string>

#include "tools/smtp.h"

namespace druvo {

class MainWindow;

/// Sends the mail report (SendMailReport, through w's services, with the customer number
/// taken at Start) and returns its result: "Message sent successfully!", the transfer log when
/// the relay did not take the mail (refused, unreachable, no answer in time), or "" after an
/// error. Either failure is reported in a message box that asks the user to mail the log by
/// hand. The window's events run while it waits for the relay (w.DoEvents, every
/// smtp::kEventSlice), so the window paints and answers; the caller keeps Start and Stop
/// disabled and the window closed to closing until the mail has gone.
std::string SendEmail(MainWindow& w, const std::string& sEmail, const std::string& sEmailText,
                      const smtp::TimeLimits& limits = {});

}  // namespace druvo
