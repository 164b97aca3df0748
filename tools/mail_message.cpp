#include "tools/mail_message.h"

namespace druvo {

MailMessage::MailMessage(smtp::TimeLimits limits) : limits_(limits) {}

// Addresses go into the envelope commands and headers as they are, so anything that is
// not a plain address is refused rather than repaired: a CR or LF in one could otherwise
// add a command or a header line.
void MailMessage::From(const std::string& address) {
  if (!smtp::IsValidAddress(address)) throw MailError("not a usable sender address: " + address);
  message_.from = address;
}

void MailMessage::FromName(const std::string& name) { message_.fromName = smtp::OneLine(name); }

void MailMessage::AddRecipient(const std::string& address) {
  if (!smtp::IsValidAddress(address)) throw MailError("not a usable recipient address: " + address);
  message_.to.push_back(address);
}

void MailMessage::Subject(const std::string& text) { message_.subject = smtp::OneLine(text); }

void MailMessage::Body(const std::string& text) { message_.body = text; }

bool MailMessage::Send(const std::string& relayText) {
  smtp::Relay relay;
  if (!smtp::ParseRelay(relayText, relay)) throw MailError("not a usable relay: " + relayText);
  if (message_.from.empty()) throw MailError("no sender address");
  if (message_.to.empty()) throw MailError("no recipient");

  const std::string data = smtp::BuildMessage(message_, smtp::CurrentDate(),
                                              smtp::NewMessageId(smtp::DomainOf(message_.from)));
  std::string transcript;
  std::string failure;
  const bool sent =
      smtp::Transfer(relay, message_.from, message_.to, data, limits_, transcript, failure, events_);
  if (logging_) log_ += transcript;
  else if (!sent) log_ += "Error: " + failure + "\r\n";
  if (!sent && !silent_) throw MailError(failure);
  return sent;
}

}  // namespace druvo
