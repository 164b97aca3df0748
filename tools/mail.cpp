#include "tools/mail.h"

#include <exception>

#include "model/main_window.h"
#include "tools/mail_message.h"

namespace druvo {

std::string SendEmail(MainWindow& w, const std::string& sEmail, const std::string& sEmailText) {
  return SendEmail(w, sEmail, sEmailText, smtp::TimeLimits{});
}

std::string SendEmail(MainWindow& w, const std::string& sEmail, const std::string& sEmailText,
                      const smtp::TimeLimits& limits) {
  const std::string& helpdesk = w.services.helpdesk;
  std::string result;
  try {
    // The component goes out of scope before the message box, so it is released first.
    MailMessage message(limits);
    message.Silent(true);
    message.Logging(true);
    message.From(helpdesk);
    message.FromName(helpdesk);
    message.AddRecipient(sEmail);
    message.Subject("EAN Conversie klant " + w.customerNumber);
    message.Body(sEmailText);
    // No events run while sending: the window waits for the transfer.
    if (message.Send(w.services.relay)) return "Message sent successfully!";
    // The relay refused the mail, could not be reached or did not answer in time. The help
    // desk has nothing then, so the user is asked to send the log by hand, as after an error.
    result = message.Log();
  } catch (const std::exception&) {
    result.clear();
  }
  w.view.Ask("Versturen email mislukt, Stuur een email naar " + helpdesk +
                 " en plak daarin deze info",
             Buttons::kOk);
  return result;
}

}  // namespace druvo
