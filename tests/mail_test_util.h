// Helpers of the mail tests: independent decoders for what the transfer encodes, and the
// loopback test relay (tests/smtp_sink.py).
#pragma once

#include <cctype>
#include <cstddef>
#include <string>
#include <string_view>

namespace mailtest {

inline int HexValue(char c) {
  if (c >= '0' && c <= '9') return c - '0';
  if (c >= 'A' && c <= 'F') return c - 'A' + 10;
  if (c >= 'a' && c <= 'f') return c - 'a' + 10;
  return -1;
}

/// Decodes quoted-printable as RFC 2045 reads it: "=XX" is a byte, "=" at a line end is a
/// soft break, CR LF is a line break. Sets `ok` false at anything that is not allowed.
inline std::string DecodeQuotedPrintable(std::string_view in, bool& ok) {
  ok = true;
  std::string out;
  for (std::size_t i = 0; i < in.size(); ++i) {
    const char c = in[i];
    if (c == '=') {
      if (in.substr(i + 1, 2) == "\r\n") {
        i += 2;
      } else if (i + 2 < in.size() && HexValue(in[i + 1]) >= 0 && HexValue(in[i + 2]) >= 0 &&
                 !std::islower(static_cast<unsigned char>(in[i + 1])) &&
                 !std::islower(static_cast<unsigned char>(in[i + 2]))) {
        out += static_cast<char>(HexValue(in[i + 1]) * 16 + HexValue(in[i + 2]));
        i += 2;
      } else {
        ok = false;
      }
    } else if (c == '\r' && in.substr(i, 2) == "\r\n") {
      out += "\r\n";
      ++i;
    } else if (c == ' ' || c == '\t' || (c >= 33 && c <= 126)) {
      out += c;
    } else {
      ok = false;  // bare CR, bare LF or a byte that must be escaped
    }
  }
  return out;
}

/// The raw value of a header field in a message (after "Name:"), folded lines included;
/// empty when missing.
inline std::string RawHeader(std::string_view message, std::string_view name) {
  const std::string key = "\r\n" + std::string(name) + ":";
  const std::string text = "\r\n" + std::string(message.substr(0, message.find("\r\n\r\n")));
  const std::size_t at = text.find(key);
  if (at == std::string::npos) return {};
  std::size_t start = at + key.size();
  std::size_t end = start;
  for (;;) {
    end = text.find("\r\n", end);
    if (end == std::string::npos) return text.substr(start);
    if (end + 2 < text.size() && (text[end + 2] == ' ' || text[end + 2] == '\t')) {
      end += 2;
      continue;
    }
    return text.substr(start, end - start);
  }
}

/// A header value as a reader shows it: unfolded (CR LF removed), the blank after the
/// colon dropped, "=?UTF-8?Q?...?=" words decoded, blanks between two such words dropped.
/// Sets `ok` false for a word that is not well formed.
inline std::string DecodeHeader(std::string_view raw, bool& ok) {
  ok = true;
  std::string unfolded;
  for (std::size_t i = 0; i < raw.size(); ++i) {
    if (raw.substr(i, 2) == "\r\n") ++i;
    else unfolded += raw[i];
  }
  std::string_view v = unfolded;
  if (!v.empty() && v.front() == ' ') v.remove_prefix(1);
  std::string out;
  std::string pendingBlanks;
  bool lastWasEncoded = false;
  std::size_t i = 0;
  while (i < v.size()) {
    if (v[i] == ' ' || v[i] == '\t') {
      pendingBlanks += v[i++];
      continue;
    }
    const std::size_t end = v.find_first_of(" \t", i);
    std::string_view token = v.substr(i, end == std::string_view::npos ? end : end - i);
    i += token.size();
    const bool encoded = token.size() >= 12 && token.substr(0, 10) == "=?UTF-8?Q?" &&
                         token.substr(token.size() - 2) == "?=";
    if (!(encoded && lastWasEncoded)) out += pendingBlanks;
    pendingBlanks.clear();
    lastWasEncoded = encoded;
    if (!encoded) {
      out += token;
      continue;
    }
    std::string_view q = token.substr(10, token.size() - 12);
    for (std::size_t k = 0; k < q.size(); ++k) {
      if (q[k] == '_') {
        out += ' ';
      } else if (q[k] == '=' && k + 2 < q.size() && HexValue(q[k + 1]) >= 0 &&
                 HexValue(q[k + 2]) >= 0) {
        out += static_cast<char>(HexValue(q[k + 1]) * 16 + HexValue(q[k + 2]));
        k += 2;
      } else if (q[k] == '?' || q[k] == '=' || q[k] <= 32 || q[k] >= 127) {
        ok = false;
      } else {
        out += q[k];
      }
    }
  }
  out += pendingBlanks;
  return out;
}

/// The test relay started by the test itself: tests/smtp_sink.py under /usr/bin/python3,
/// writing into a folder. Only where the platform can start it (not a Windows build).
class SinkProcess {
 public:
  SinkProcess() = default;
  ~SinkProcess();
  SinkProcess(const SinkProcess&) = delete;
  SinkProcess& operator=(const SinkProcess&) = delete;
  /// Starts the relay with its default modes; false with `why` where it cannot.
  bool Start(const std::string& script, const std::string& folder, std::string& why);
  /// Ends the relay and waits for it.
  void Stop();

 private:
  long pid_ = 0;
};

}  // namespace mailtest
