#include "run/mail_report.h"

#include "model/main_window.h"
#include "tools/mail.h"

namespace druvo {

std::string SendEmail(MainWindow& w, const std::string& sEmail, const std::string& sEmailText,
                      const smtp::TimeLimits& limits) {
  // The component is released before the message box: SendMailReport has returned.
  const MailReport report = SendMailReport(w.services, w.customerNumber, sEmail, sEmailText, limits,
                                           [&w] { w.DoEvents(); });
  if (report.sent) return report.result;
  // The relay refused the mail, could not be reached or did not answer in time, or a value
  // was refused: the help desk has nothing then, so the user is asked to send the log by hand.
  w.view.Ask("Versturen email mislukt, Stuur een email naar " + w.services.helpdesk + " en plak daarin deze info",
             Buttons::kOk);
  return report.result;
}

}  // namespace druvo
