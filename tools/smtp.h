// SMTP without authentication (RFC 5321) and the plain-text message it carries (RFC 5322,
// MIME quoted-printable, RFC 2047 encoded words). Everything here but Transfer works on
// strings only.
#pragma once

#include <chrono>
#include <cstddef>
#include <cstdint>
#include <functional>
#include <string>
#include <string_view>
#include <vector>

#include "sys/clock.h"

namespace druvo::smtp {

// ---- Replies -------------------------------------------------------------------------

/// One reply of the relay: its three-digit code and the text of each of its lines.
struct Reply {
  int code = 0;
  std::vector<std::string> lines;  // the text after "NNN-" / "NNN ", per line
  int Class() const { return code / 100; }
  /// "250 text" / "250-text" lines joined by CR LF, as the relay sent them.
  std::string Text() const;
};

enum class ParseStatus { kIncomplete, kComplete, kMalformed };

/// Longest reply line accepted (the standard asks for 512) and most lines in one reply;
/// a relay that sends more is treated as broken, so a reply never needs unbounded memory.
inline constexpr std::size_t kMaxReplyLine = 4096;
inline constexpr std::size_t kMaxReplyLines = 256;

/// Parses the reply at the start of `input`: lines "NNN-text", then a last line "NNN text"
/// or "NNN", each ended by CR LF (a bare LF is accepted too), NNN a code from 100 to 599,
/// equal on every line. kComplete fills `reply` and sets `consumed` to the bytes used, up
/// to and including the last line's end. kIncomplete: the input is a valid beginning, more
/// is needed. kMalformed: the input cannot be read as a reply (wrong code or separator,
/// codes that differ, a line or reply over the limits above).
ParseStatus ParseReply(std::string_view input, Reply& reply, std::size_t& consumed);

// ---- Addresses and relay -------------------------------------------------------------

/// Whether `address` is a plain mailbox "local@domain" usable as is on the wire: ASCII,
/// a dot-atom local part of 1 to 64 characters, a domain of letter/digit/hyphen labels
/// (underscores allowed) or an address literal in brackets, 254 characters in all.
bool IsValidAddress(std::string_view address);

/// The domain part of a valid address ("b.example" of "a@b.example").
std::string DomainOf(std::string_view address);

struct Relay {
  std::string host;  // name or address, IPv6 without its brackets
  std::uint16_t port = 25;
};

/// Reads "host", "host:port", "[IPv6]" or "[IPv6]:port" (port 1 to 65535, default 25);
/// blanks around the whole are ignored. False for anything else.
bool ParseRelay(std::string_view text, Relay& relay);

// ---- Message -------------------------------------------------------------------------

/// The text with every line end made CR LF: CR LF stays, a bare CR or LF becomes CR LF.
std::string NormalizeLineEnds(std::string_view text);

/// Quoted-printable (RFC 2045) of a text, after NormalizeLineEnds: line ends become hard
/// breaks (CR LF), encoded lines are at most 76 characters, "=", non-ASCII and control
/// bytes, blanks at a line end and the "F" of a line beginning "From " are escaped. A text
/// that does not end in a line break ends in a soft break, so decoding gives it back exactly.
std::string EncodeQuotedPrintable(std::string_view text);

/// Line breaks in a header value (CR LF, CR or LF) each become one blank, so no value can
/// add a line to the header.
std::string OneLine(std::string_view value);

/// "Name: value" for an unstructured field such as Subject, CR LF between folded lines and
/// none at the end, no line over 78 characters. The value (after OneLine) is written as is
/// when it is printable ASCII that reads back exactly (single blanks inside, none at either
/// end, no "=?"); otherwise as UTF-8 "Q" encoded words that never split a character.
std::string UnstructuredField(std::string_view name, std::string_view value);

/// "Name: display <address>" for From/To: the display name (after OneLine) as a quoted
/// string when it is short printable ASCII, else as encoded words; just the address
/// when the name is empty. Folded as UnstructuredField. `address` must be valid.
std::string MailboxField(std::string_view name, std::string_view display,
                         std::string_view address);

/// The date as RFC 5322 writes it, "Mon, 7 Dec 2026 21:05:09 +0100", from the local time
/// and the local offset from UTC in minutes.
std::string FormatDate(const sys::LocalDateTime& local, int utcOffsetMinutes);

/// Local offset from UTC in minutes, from the same moment broken down both ways.
int UtcOffsetMinutes(const sys::LocalDateTime& local, const sys::LocalDateTime& utc);

/// The current date for the Date field, from the system clock and time zone.
std::string CurrentDate();

/// A new unique Message-ID, "<time.random@domain>".
std::string NewMessageId(std::string_view domain);

struct Message {
  std::string from;      // valid address
  std::string fromName;  // display name, may be empty
  std::vector<std::string> to;  // valid addresses, at least one
  std::string subject;
  std::string body;  // UTF-8
};

/// The message in its transfer form: Date, From, To, Subject, Message-ID, MIME-Version,
/// Content-Type (text/plain, UTF-8) and Content-Transfer-Encoding (quoted-printable), a
/// blank line and the encoded body. CR LF line ends only, no line over 78 characters.
std::string BuildMessage(const Message& m, std::string_view date, std::string_view messageId);

/// What follows the DATA command: the message with a "." put before every line that
/// begins with ".", a CR LF added when the message lacks a last one, then ".", CR LF.
/// `message` must have CR LF line ends.
std::string DataBlock(std::string_view message);

// ---- Transfer ------------------------------------------------------------------------

/// Time limits of one transfer. With the defaults, a relay that never answers costs at
/// most a minute.
struct TimeLimits {
  std::chrono::milliseconds connect{15000};  // to reach the relay
  std::chrono::milliseconds reply{30000};    // for each reply, and for sending each step
  std::chrono::milliseconds total{60000};    // for the whole transfer
};

/// How often a transfer that waits for the relay lets the caller's events run.
inline constexpr std::chrono::milliseconds kEventSlice{50};

/// Transfers one message: connect, greeting, EHLO (HELO when EHLO is refused), MAIL FROM,
/// RCPT TO per recipient, DATA, the data block, QUIT; each reply's class is checked.
/// Appends a readable transcript to `transcript` (every command and reply line, the body
/// left out, and the reason of a failure). True when the relay accepted the message;
/// false with `failure` set otherwise. While it waits for the relay (to connect, to take
/// what is sent, to reply), `whileWaiting` runs every kEventSlice where it is given: the
/// window's events, so that the window paints and answers; the time limits are unchanged.
/// Looking up the relay's name is not sliced: it waits on the system's resolver.
bool Transfer(const Relay& relay, const std::string& from, const std::vector<std::string>& to,
              std::string_view message, const TimeLimits& limits, std::string& transcript,
              std::string& failure, const std::function<void()>& whileWaiting = {});

}  // namespace druvo::smtp
