#include "tools/mail.h"

#include <exception>

#include "model/services.h"
#include "tools/mail_message.h"

namespace druvo {

MailReport SendMailReport(const Services& services, const std::string& customer, const std::string& sEmail,
                          const std::string& sEmailText, const smtp::TimeLimits& limits,
                          const std::function<void()>& whileWaiting) {
  const std::string& helpdesk = services.helpdesk;
  try {
    MailMessage message(limits);
    message.Silent(true);
    message.Logging(true);
    message.WhileWaiting(whileWaiting);
    message.From(helpdesk);
    message.FromName(helpdesk);
    message.AddRecipient(sEmail);
    message.Subject("EAN Conversie klant " + customer);
    message.Body(sEmailText);
    if (message.Send(services.relay)) return {true, "Message sent successfully!"};
    return {false, message.Log()};
  } catch (const std::exception&) {
    return {false, {}};
  }
}

}  // namespace druvo
