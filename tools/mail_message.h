// The mail component: one plain-text message sent through an SMTP relay without
// authentication. Driven member by member, in the way the run's mail report writes it.
#pragma once

#include <functional>
#include <stdexcept>
#include <string>
#include <vector>

#include "tools/smtp.h"

namespace druvo {

/// Raised when the component refuses a value or a call, and by Send when the transfer
/// fails while Silent is off.
class MailError : public std::runtime_error {
 public:
  using std::runtime_error::runtime_error;
};

class MailMessage {
 public:
  /// `limits` bound connecting, every reply and the whole of Send.
  explicit MailMessage(smtp::TimeLimits limits = {});

  /// On: a failed transfer makes Send return false. Off (the start): Send raises MailError.
  void Silent(bool on) { silent_ = on; }
  /// On: Log holds the whole transfer log. Off (the start): only the reason of a failure.
  void Logging(bool on) { logging_ = on; }
  /// Runs `events` while Send waits for the relay (smtp::Transfer). Empty (the start): Send
  /// only waits.
  void WhileWaiting(std::function<void()> events) { events_ = std::move(events); }

  /// The sender address. Refused (MailError) unless it is a plain address
  /// ("local@domain", ASCII); nothing of a refused value is kept.
  void From(const std::string& address);
  /// The sender's display name. A line break in it becomes a blank.
  void FromName(const std::string& name);
  /// Adds one recipient; refused as From is.
  void AddRecipient(const std::string& address);
  /// The subject. A line break in it becomes a blank.
  void Subject(const std::string& text);
  /// The plain-text body, UTF-8; any length. Bare CR or LF line ends go out as CR LF.
  void Body(const std::string& text);

  /// Transfers the message through `relay`, "host" or "host:port" (port 25 by default).
  /// True when the relay accepted it. A transfer that fails (relay unreachable, silent,
  /// refusing, or breaking the protocol) gives false when Silent is on, else MailError.
  /// Raises MailError, whatever Silent says, for a relay text that cannot be read and for
  /// a message without sender or recipient.
  bool Send(const std::string& relay);

  /// The transfer log of the Sends so far: every command sent and every reply line received
  /// (the message itself left out) and the reason of a failure, one per line, CR LF ends.
  const std::string& Log() const { return log_; }

 private:
  smtp::TimeLimits limits_;
  bool silent_ = false;
  bool logging_ = false;
  std::function<void()> events_;
  smtp::Message message_;
  std::string log_;
};

}  // namespace druvo
