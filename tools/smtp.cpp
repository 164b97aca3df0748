#include "tools/smtp.h"

#include <algorithm>
#include <atomic>
#include <cstdio>
#include <random>

#include "tools/socket.h"

namespace druvo::smtp {

namespace {

constexpr std::string_view kCrLf = "\r\n";
// Lines the message should keep to (RFC 5322 asks for 78; 998 is the hard limit).
constexpr std::size_t kLineGoal = 78;
// An encoded word may be 75 characters long, of which "=?UTF-8?Q?" and "?=" take 12.
constexpr std::size_t kEncodedWordMax = 75;
constexpr std::string_view kWordStart = "=?UTF-8?Q?";
constexpr std::string_view kWordEnd = "?=";

bool IsDigit(char c) { return c >= '0' && c <= '9'; }
bool IsAlnum(char c) { return IsDigit(c) || (c >= 'a' && c <= 'z') || (c >= 'A' && c <= 'Z'); }

std::string Hex2(unsigned char c) {
  static const char* digits = "0123456789ABCDEF";
  return {'=', digits[c >> 4], digits[c & 15]};
}

}  // namespace

// ---- Replies -------------------------------------------------------------------------

std::string Reply::Text() const {
  std::string out;
  for (std::size_t i = 0; i < lines.size(); ++i) {
    if (i) out += kCrLf;
    out += std::to_string(code);
    out += i + 1 < lines.size() ? '-' : ' ';
    out += lines[i];
  }
  return out;
}

ParseStatus ParseReply(std::string_view input, Reply& reply, std::size_t& consumed) {
  Reply r;
  std::size_t pos = 0;
  for (;;) {
    const std::size_t eol = input.find('\n', pos);
    const bool ended = eol != std::string_view::npos;
    std::string_view line = input.substr(pos, ended ? eol - pos : std::string_view::npos);
    // The CR of CR LF, or of a line whose LF has not arrived yet; any other CR inside a
    // line is refused so that no reply text can carry a line break into the log.
    if (!line.empty() && line.back() == '\r') line.remove_suffix(1);
    if (line.size() > kMaxReplyLine || line.find('\r') != std::string_view::npos)
      return ParseStatus::kMalformed;
    // Check what has arrived of the code and separator, so junk is refused early.
    const std::size_t have = std::min<std::size_t>(line.size(), 3);
    static const char lo[3] = {'1', '0', '0'};
    static const char hi[3] = {'5', '9', '9'};
    for (std::size_t i = 0; i < have; ++i) {
      if (line[i] < lo[i] || line[i] > hi[i]) return ParseStatus::kMalformed;
    }
    if (!r.lines.empty()) {
      const std::string first = std::to_string(r.code);
      if (line.substr(0, have) != std::string_view(first).substr(0, have))
        return ParseStatus::kMalformed;
    }
    if (line.size() > 3 && line[3] != ' ' && line[3] != '-') return ParseStatus::kMalformed;
    if (!ended) return ParseStatus::kIncomplete;
    if (line.size() < 3) return ParseStatus::kMalformed;

    r.code = (line[0] - '0') * 100 + (line[1] - '0') * 10 + (line[2] - '0');
    r.lines.emplace_back(line.size() > 4 ? line.substr(4) : std::string_view{});
    pos = eol + 1;
    if (line.size() == 3 || line[3] == ' ') {
      consumed = pos;
      reply = std::move(r);
      return ParseStatus::kComplete;
    }
    if (r.lines.size() >= kMaxReplyLines) return ParseStatus::kMalformed;
  }
}

// ---- Addresses and relay -------------------------------------------------------------

namespace {

bool IsAtext(char c) {
  return IsAlnum(c) || std::string_view("!#$%&'*+-/=?^_`{|}~").find(c) != std::string_view::npos;
}

bool IsHostLabelChar(char c) { return IsAlnum(c) || c == '-' || c == '_'; }

bool IsDomainName(std::string_view d) {
  if (d.empty() || d.size() > 253) return false;
  std::size_t start = 0;
  for (;;) {
    std::size_t dot = d.find('.', start);
    std::string_view label = d.substr(start, dot == std::string_view::npos ? dot : dot - start);
    if (label.empty() || label.size() > 63 || label.front() == '-' || label.back() == '-')
      return false;
    for (char c : label) {
      if (!IsHostLabelChar(c)) return false;
    }
    if (dot == std::string_view::npos) return true;
    start = dot + 1;
  }
}

}  // namespace

bool IsValidAddress(std::string_view a) {
  if (a.size() > 254) return false;
  const std::size_t at = a.rfind('@');
  if (at == std::string_view::npos) return false;
  std::string_view local = a.substr(0, at);
  std::string_view domain = a.substr(at + 1);
  if (local.empty() || local.size() > 64 || local.front() == '.' || local.back() == '.')
    return false;
  if (local.find("..") != std::string_view::npos) return false;
  for (char c : local) {
    if (c != '.' && !IsAtext(c)) return false;
  }
  if (!domain.empty() && domain.front() == '[') {
    if (domain.size() < 3 || domain.back() != ']') return false;
    for (char c : domain.substr(1, domain.size() - 2)) {
      if (c < 33 || c > 126 || c == '[' || c == ']' || c == '\\') return false;
    }
    return true;
  }
  return IsDomainName(domain);
}

std::string DomainOf(std::string_view address) {
  const std::size_t at = address.rfind('@');
  return at == std::string_view::npos ? std::string() : std::string(address.substr(at + 1));
}

bool ParseRelay(std::string_view text, Relay& relay) {
  while (!text.empty() && (text.front() == ' ' || text.front() == '\t')) text.remove_prefix(1);
  while (!text.empty() && (text.back() == ' ' || text.back() == '\t')) text.remove_suffix(1);
  std::string_view host;
  std::string_view port;
  bool hasPort = false;
  if (!text.empty() && text.front() == '[') {
    const std::size_t close = text.find(']');
    if (close == std::string_view::npos) return false;
    host = text.substr(1, close - 1);
    std::string_view rest = text.substr(close + 1);
    if (!rest.empty()) {
      if (rest.front() != ':') return false;
      port = rest.substr(1);
      hasPort = true;
    }
    if (host.empty()) return false;
    for (char c : host) {
      if (!IsAlnum(c) && c != ':' && c != '.' && c != '%') return false;
    }
  } else {
    const std::size_t colon = text.find(':');
    host = text.substr(0, colon);
    if (colon != std::string_view::npos) {
      port = text.substr(colon + 1);
      hasPort = true;
    }
    if (!IsDomainName(host)) return false;
  }
  std::uint32_t value = 25;
  if (hasPort) {
    if (port.empty() || port.size() > 5) return false;
    value = 0;
    for (char c : port) {
      if (!IsDigit(c)) return false;
      value = value * 10 + static_cast<std::uint32_t>(c - '0');
    }
    if (value < 1 || value > 65535) return false;
  }
  relay.host = std::string(host);
  relay.port = static_cast<std::uint16_t>(value);
  return true;
}

// ---- Message -------------------------------------------------------------------------

std::string NormalizeLineEnds(std::string_view text) {
  std::string out;
  out.reserve(text.size() + text.size() / 32);
  for (std::size_t i = 0; i < text.size(); ++i) {
    const char c = text[i];
    if (c == '\r') {
      out += kCrLf;
      if (i + 1 < text.size() && text[i + 1] == '\n') ++i;
    } else if (c == '\n') {
      out += kCrLf;
    } else {
      out += c;
    }
  }
  return out;
}

std::string EncodeQuotedPrintable(std::string_view text) {
  const std::string norm = NormalizeLineEnds(text);
  std::string out;
  out.reserve(norm.size() + norm.size() / 8);
  std::size_t start = 0;
  for (;;) {
    const std::size_t end = norm.find(kCrLf, start);
    const bool hardBreak = end != std::string::npos;
    const std::string_view line =
        std::string_view(norm).substr(start, hardBreak ? end - start : std::string::npos);
    std::size_t column = 0;
    for (std::size_t i = 0; i < line.size(); ++i) {
      const auto c = static_cast<unsigned char>(line[i]);
      const bool last = i + 1 == line.size();
      std::string token;
      if (c == ' ' || c == '\t') {
        // A blank at the end of a line would be taken off by mail software on the way.
        token = last ? Hex2(c) : std::string(1, static_cast<char>(c));
      } else if (c == '=' || c < 33 || c > 126) {
        token = Hex2(c);
      } else if (c == 'F' && column == 0 && line.substr(i, 5) == "From ") {
        // Mailbox files turn a line starting "From " into ">From ".
        token = Hex2(c);
      } else {
        token = std::string(1, static_cast<char>(c));
      }
      // An encoded line holds at most 76 characters, the "=" of a soft break included;
      // only the last token before a hard break may use the 76th place.
      const std::size_t room = last && hardBreak ? 76 : 75;
      if (column + token.size() > room) {
        out += "=\r\n";
        column = 0;
        if (c == 'F' && line.substr(i, 5) == "From ") token = Hex2(c);
      }
      out += token;
      column += token.size();
    }
    if (hardBreak) {
      out += kCrLf;
      start = end + 2;
      continue;
    }
    // Without a line break at its end the text ends in a soft break: the transfer needs
    // CR LF before its final ".", and a decoder then adds nothing to the text.
    if (!line.empty()) out += "=\r\n";
    break;
  }
  return out;
}

std::string OneLine(std::string_view value) {
  std::string out;
  out.reserve(value.size());
  for (std::size_t i = 0; i < value.size(); ++i) {
    const char c = value[i];
    if (c == '\r') {
      out += ' ';
      if (i + 1 < value.size() && value[i + 1] == '\n') ++i;
    } else if (c == '\n') {
      out += ' ';
    } else {
      out += c;
    }
  }
  return out;
}

namespace {

// Whether a value can go into a header as it is and be read back unchanged: printable
// ASCII words of at most `maxWord` characters, one blank between them, nothing that a
// reader could take for an encoded word.
bool ReadsBackAsIs(std::string_view v, std::size_t maxWord) {
  if (v.empty() || v.front() == ' ' || v.back() == ' ') return false;
  if (v.find("=?") != std::string_view::npos || v.find("  ") != std::string_view::npos)
    return false;
  std::size_t word = 0;
  for (char c : v) {
    if (c == ' ') {
      word = 0;
      continue;
    }
    if (c < 33 || c > 126 || ++word > maxWord) return false;
  }
  return true;
}

// RFC 2047 "Q" words of UTF-8 text. Only letters, digits and !*+-/ stay as they are, the
// set allowed in a display name as well as in a Subject. A character's bytes always stay
// in one word, as a decoder must be able to decode each word on its own.
std::vector<std::string> EncodedWords(std::string_view v, std::size_t firstMax) {
  std::vector<std::string> words;
  std::string payload;
  std::size_t max = firstMax;
  std::size_t i = 0;
  while (i < v.size()) {
    std::size_t n = 1;
    while (n < 4 && i + n < v.size() && (static_cast<unsigned char>(v[i + n]) & 0xC0) == 0x80) ++n;
    std::string enc;
    for (std::size_t k = i; k < i + n; ++k) {
      const char c = v[k];
      if (IsAlnum(c) || std::string_view("!*+-/").find(c) != std::string_view::npos) enc += c;
      else if (c == ' ') enc += '_';
      else enc += Hex2(static_cast<unsigned char>(c));
    }
    if (!payload.empty() &&
        kWordStart.size() + payload.size() + enc.size() + kWordEnd.size() > max) {
      words.push_back(std::string(kWordStart) + payload + std::string(kWordEnd));
      payload.clear();
      max = kEncodedWordMax;
    }
    payload += enc;
    i += n;
  }
  if (!payload.empty() || words.empty())
    words.push_back(std::string(kWordStart) + payload + std::string(kWordEnd));
  return words;
}

// "Name: t1 t2 ..." folded before a token that would take a line past kLineGoal.
std::string Fold(std::string_view name, const std::vector<std::string>& tokens) {
  std::string out(name);
  out += ':';
  std::size_t column = out.size();
  bool first = true;
  for (const std::string& t : tokens) {
    if (!first && column + 1 + t.size() > kLineGoal) {
      out += kCrLf;
      column = 0;
    }
    out += ' ';
    out += t;
    column += 1 + t.size();
    first = false;
  }
  return out;
}

std::vector<std::string> SplitBlanks(std::string_view v) {
  std::vector<std::string> words;
  std::size_t start = 0;
  for (;;) {
    const std::size_t blank = v.find(' ', start);
    words.emplace_back(v.substr(start, blank == std::string_view::npos ? blank : blank - start));
    if (blank == std::string_view::npos) return words;
    start = blank + 1;
  }
}

// Room for the first token on the field's first line.
std::size_t FirstRoom(std::string_view name) {
  const std::size_t used = name.size() + 2;  // "Name: "
  return std::min(kEncodedWordMax, used < kLineGoal ? kLineGoal - used : 0);
}

}  // namespace

std::string UnstructuredField(std::string_view name, std::string_view value) {
  const std::string v = OneLine(value);
  if (v.empty()) return std::string(name) + ":";
  const std::size_t room = FirstRoom(name);
  if (ReadsBackAsIs(v, room)) return Fold(name, SplitBlanks(v));
  return Fold(name, EncodedWords(v, room));
}

std::string MailboxField(std::string_view name, std::string_view display,
                         std::string_view address) {
  const std::string d = OneLine(display);
  std::vector<std::string> tokens;
  if (!d.empty()) {
    const std::size_t room = FirstRoom(name);
    std::string quoted = "\"";
    for (char c : d) {
      if (c == '"' || c == '\\') quoted += '\\';
      quoted += c;
    }
    quoted += '"';
    if (ReadsBackAsIs(d, room) && quoted.size() <= room) tokens.push_back(std::move(quoted));
    else tokens = EncodedWords(d, room);
    tokens.push_back("<" + std::string(address) + ">");
  } else {
    tokens.emplace_back(address);
  }
  return Fold(name, tokens);
}

namespace {

// Days since 1970-01-01 of a civil date (proleptic Gregorian calendar).
long long DaysFromCivil(int y, int m, int d) {
  y -= m <= 2;
  const long long era = (y >= 0 ? y : y - 399) / 400;
  const long long yoe = y - era * 400;
  const long long doy = (153 * (m + (m > 2 ? -3 : 9)) + 2) / 5 + d - 1;
  const long long doe = yoe * 365 + yoe / 4 - yoe / 100 + doy;
  return era * 146097 + doe - 719468;
}

long long SecondsOf(const sys::LocalDateTime& t) {
  return DaysFromCivil(t.year, t.month, t.day) * 86400 + t.hour * 3600 + t.minute * 60 + t.second;
}

}  // namespace

std::string FormatDate(const sys::LocalDateTime& t, int offset) {
  static const char* const kDays[] = {"Sun", "Mon", "Tue", "Wed", "Thu", "Fri", "Sat"};
  static const char* const kMonths[] = {"Jan", "Feb", "Mar", "Apr", "May", "Jun",
                                        "Jul", "Aug", "Sep", "Oct", "Nov", "Dec"};
  const long long days = DaysFromCivil(t.year, t.month, t.day);
  const int weekday = static_cast<int>(((days + 4) % 7 + 7) % 7);  // 1970-01-01 was a Thursday
  offset = std::clamp(offset, -(23 * 60 + 59), 23 * 60 + 59);
  const int absOffset = offset < 0 ? -offset : offset;
  char buf[64];
  std::snprintf(buf, sizeof buf, "%s, %d %s %04d %02d:%02d:%02d %c%02d%02d", kDays[weekday],
                t.day, kMonths[std::clamp(t.month, 1, 12) - 1], t.year, t.hour, t.minute,
                t.second, offset < 0 ? '-' : '+', absOffset / 60, absOffset % 60);
  return buf;
}

int UtcOffsetMinutes(const sys::LocalDateTime& local, const sys::LocalDateTime& utc) {
  const long long diff = SecondsOf(local) - SecondsOf(utc);
  return static_cast<int>((diff >= 0 ? diff + 30 : diff - 30) / 60);
}

std::string CurrentDate() {
  // Two readings a moment apart: the offset is rounded to the minute.
  const sys::LocalDateTime local = sys::Now();
  const sys::LocalDateTime utc = sys::UtcNow();
  return FormatDate(local, UtcOffsetMinutes(local, utc));
}

std::string NewMessageId(std::string_view domain) {
  static std::atomic<unsigned> counter{0};
  std::random_device rd;
  const unsigned long long random = (static_cast<unsigned long long>(rd()) << 32) ^ rd();
  const sys::LocalDateTime utc = sys::UtcNow();
  char buf[96];
  std::snprintf(buf, sizeof buf, "<%04d%02d%02d%02d%02d%02d.%016llx.%u@", utc.year, utc.month,
                utc.day, utc.hour, utc.minute, utc.second, random, counter++);
  return buf + std::string(domain) + ">";
}

std::string BuildMessage(const Message& m, std::string_view date, std::string_view messageId) {
  std::vector<std::string> to;
  for (std::size_t i = 0; i < m.to.size(); ++i) to.push_back(m.to[i] + (i + 1 < m.to.size() ? "," : ""));
  std::string out;
  out += "Date: " + std::string(date) + "\r\n";
  out += MailboxField("From", m.fromName, m.from) + "\r\n";
  out += Fold("To", to) + "\r\n";
  out += UnstructuredField("Subject", m.subject) + "\r\n";
  out += "Message-ID: " + std::string(messageId) + "\r\n";
  out += "MIME-Version: 1.0\r\n";
  out += "Content-Type: text/plain; charset=UTF-8\r\n";
  out += "Content-Transfer-Encoding: quoted-printable\r\n";
  out += "\r\n";
  out += EncodeQuotedPrintable(m.body);
  return out;
}

std::string DataBlock(std::string_view message) {
  std::string out;
  out.reserve(message.size() + 64);
  bool lineStart = true;
  for (char c : message) {
    if (lineStart && c == '.') out += '.';
    out += c;
    lineStart = c == '\n';
  }
  if (!message.empty() && !lineStart) out += kCrLf;
  out += ".\r\n";
  return out;
}

// ---- Transfer ------------------------------------------------------------------------

namespace {

// Reply text goes into the log as readable text: control bytes become "?".
std::string Printable(std::string_view s) {
  std::string out(s);
  for (char& c : out) {
    if ((static_cast<unsigned char>(c) < 32 && c != '\t') || c == 127) c = '?';
  }
  return out;
}

class Session {
 public:
  Session(const TimeLimits& limits, std::string& transcript, std::string& failure,
          const std::function<void()>& whileWaiting)
      : limits_(limits),
        end_(net::Clock::now() + limits.total),
        transcript_(transcript),
        failure_(failure) {
    if (whileWaiting) conn_.WhileWaiting(whileWaiting, kEventSlice);
  }

  bool Run(const Relay& relay, const std::string& from, const std::vector<std::string>& to,
           std::string_view message) {
    Note("Connecting to " + relay.host + " port " + std::to_string(relay.port));
    std::string why;
    if (!conn_.Connect(relay.host, relay.port, Deadline(limits_.connect), why)) return Fail(why);
    Note("Connected to " + conn_.PeerAddress());

    Reply r;
    if (!Read(r, "the greeting")) return false;
    if (r.Class() != 2) return Refused("the session", r);

    std::string me = conn_.LocalAddressLiteral();
    if (me.empty()) me = "[127.0.0.1]";
    if (!SendLine("EHLO " + me) || !Read(r, "EHLO")) return false;
    if (r.Class() == 5) {
      // An old relay that knows only HELO.
      if (!Step("HELO " + me, "HELO", 2)) return false;
    } else if (r.Class() != 2) {
      return Refused("EHLO", r);
    }
    if (!Step("MAIL FROM:<" + from + ">", "the sender", 2)) return false;
    for (const std::string& a : to) {
      if (!Step("RCPT TO:<" + a + ">", "the recipient " + a, 2)) return false;
    }
    if (!Step("DATA", "DATA", 3)) return false;

    const std::string block = DataBlock(message);
    Note("-> (the message, " + std::to_string(block.size()) + " bytes)");
    if (!conn_.Send(block, Deadline(limits_.reply), why)) return Fail("sending the message: " + why);
    if (!Read(r, "the message")) return false;
    if (r.Class() != 2) return Refused("the message", r);
    Note("The relay accepted the message.");
    Quit();
    return true;
  }

 private:
  net::Clock::time_point Deadline(std::chrono::milliseconds step) const {
    return std::min(net::Clock::now() + step, end_);
  }

  void Note(std::string_view line) {
    transcript_ += line;
    transcript_ += kCrLf;
  }

  void NoteReply(const Reply& r) {
    for (std::size_t i = 0; i < r.lines.size(); ++i) {
      Note("<- " + std::to_string(r.code) + (i + 1 < r.lines.size() ? "-" : " ") +
           Printable(r.lines[i]));
    }
  }

  bool Fail(const std::string& reason) {
    failure_ = reason;
    Note("Error: " + reason);
    return false;
  }

  // A refusal leaves the session working, so it is ended politely.
  bool Refused(const std::string& what, const Reply& r) {
    Fail("the relay refused " + what + ": " + std::to_string(r.code) + " " +
         Printable(r.lines.empty() ? std::string() : r.lines.front()));
    Quit();
    return false;
  }

  bool SendLine(const std::string& command) {
    Note("-> " + command);
    std::string why;
    if (conn_.Send(command + "\r\n", Deadline(limits_.reply), why)) return true;
    return Fail("sending " + command.substr(0, command.find(' ')) + ": " + why);
  }

  bool Read(Reply& r, const std::string& what) {
    const auto deadline = Deadline(limits_.reply);
    for (;;) {
      std::size_t used = 0;
      const ParseStatus st = ParseReply(buffer_, r, used);
      if (st == ParseStatus::kComplete) {
        buffer_.erase(0, used);
        NoteReply(r);
        return true;
      }
      if (st == ParseStatus::kMalformed) {
        return Fail("the reply to " + what +
                    " is not an SMTP reply: " + Printable(buffer_.substr(0, 80)));
      }
      std::string why;
      if (!conn_.Receive(buffer_, deadline, why)) return Fail(why + " (waiting for the reply to " + what + ")");
    }
  }

  bool Step(const std::string& command, const std::string& what, int wanted) {
    Reply r;
    if (!SendLine(command) || !Read(r, what)) return false;
    if (r.Class() == wanted) return true;
    return Refused(what, r);
  }

  // QUIT is a courtesy: its failure changes nothing, so it is noted but not an error.
  void Quit() {
    const auto deadline = Deadline(std::min(limits_.reply, std::chrono::milliseconds(5000)));
    std::string why;
    Note("-> QUIT");
    if (!conn_.Send("QUIT\r\n", deadline, why)) {
      Note("(QUIT not sent: " + why + ")");
      return;
    }
    for (;;) {
      Reply r;
      std::size_t used = 0;
      const ParseStatus st = ParseReply(buffer_, r, used);
      if (st == ParseStatus::kComplete) {
        buffer_.erase(0, used);
        NoteReply(r);
        return;
      }
      if (st == ParseStatus::kMalformed || !conn_.Receive(buffer_, deadline, why)) {
        Note("(no reply to QUIT)");
        return;
      }
    }
  }

  const TimeLimits limits_;
  const net::Clock::time_point end_;
  std::string& transcript_;
  std::string& failure_;
  net::TcpConnection conn_;
  std::string buffer_;
};

}  // namespace

bool Transfer(const Relay& relay, const std::string& from, const std::vector<std::string>& to,
              std::string_view message, const TimeLimits& limits, std::string& transcript,
              std::string& failure, const std::function<void()>& whileWaiting) {
  Session session(limits, transcript, failure, whileWaiting);
  return session.Run(relay, from, to, message);
}

}  // namespace druvo::smtp
