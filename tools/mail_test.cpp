// The mail report against a real SMTP relay on 127.0.0.1 (tests/smtp_sink.py). On Linux the
// test starts the relay itself; elsewhere DRUVO_TEST_SMTP_DIR names the folder of a relay
// started beforehand (its "ready" file gives the ports), else these tests are skipped.
#include "run/mail_report.h"
#include "tools/mail.h"

#include <gtest/gtest.h>

#include <algorithm>
#include <chrono>
#include <filesystem>
#include <functional>
#include <map>
#include <random>
#include <regex>
#include <thread>
#include <vector>

#include "model/main_window.h"
#include "model/memory_view.h"
#include "sys/env.h"
#include "sys/text.h"
#include "test_support.h"
#include "tools/mail_message.h"
#include "mail_test_util.h"
#include "tools/socket.h"

using namespace druvo;
using testing_support::ReadFile;

namespace {

using Seconds = std::chrono::duration<double>;

struct TestRelays {
  std::string folder;
  std::map<std::string, std::string> address;  // mode -> "127.0.0.1:port"
  std::string why;                              // why there is none
};

// Reads "MODE 127.0.0.1:PORT" lines; waits up to 10 s for the relay to write them.
bool ReadReady(const std::string& folder, TestRelays& r) {
  const std::string path = (std::filesystem::path(folder) / "ready").string();
  const auto until = std::chrono::steady_clock::now() + std::chrono::seconds(10);
  std::string text;
  while ((text = ReadFile(path)).empty()) {
    if (std::chrono::steady_clock::now() > until) return false;
    std::this_thread::sleep_for(std::chrono::milliseconds(20));
  }
  std::size_t start = 0;
  while (start < text.size()) {
    std::size_t end = text.find('\n', start);
    if (end == std::string::npos) end = text.size();
    const std::string line = text.substr(start, end - start);
    const std::size_t blank = line.find(' ');
    if (blank != std::string::npos) r.address[line.substr(0, blank)] = line.substr(blank + 1);
    start = end + 1;
  }
  return true;
}

// One relay for the whole test process, started at the first test that needs it and ended
// at the process's end (before its folder is removed: statics end in reverse order).
const TestRelays& Relays() {
  static testing_support::TempDir ownFolder;
  static mailtest::SinkProcess process;
  static const TestRelays relays = [] {
    TestRelays r;
    const auto given = sys::GetVariable("DRUVO_TEST_SMTP_DIR");
    if (given && !given->empty()) {
      r.folder = *given;
      if (!ReadReady(r.folder, r)) r.why = "no ready file in DRUVO_TEST_SMTP_DIR=" + r.folder;
    } else {
      std::string why;
      if (process.Start(std::string(DRUVO_SOURCE_DIR) + "/tests/smtp_sink.py", ownFolder.path(),
                        why)) {
        r.folder = ownFolder.path();
        if (!ReadReady(r.folder, r)) r.why = "the test relay did not start";
      } else {
        r.why = "no test relay: " + why + "; start tests/smtp_sink.py and set DRUVO_TEST_SMTP_DIR";
      }
    }
    const auto accept = sys::GetVariable("DRUVO_TEST_SMTP");
    if (accept && !accept->empty()) r.address["accept"] = *accept;
    return r;
  }();
  return relays;
}

std::string RelayFor(const std::string& mode) {
  const TestRelays& r = Relays();
  auto it = r.address.find(mode);
  return it == r.address.end() ? std::string() : it->second;
}

#define RELAY_OR_SKIP(var, mode)                  \
  const std::string var = RelayFor(mode);         \
  if (var.empty()) GTEST_SKIP() << (Relays().why.empty() ? "no relay for " mode : Relays().why)

// A recipient no other test (nor another test process on the same relay) uses.
std::string UniqueRecipient() {
  static std::mt19937_64 rng(std::random_device{}());
  static int n = 0;
  return "t" + std::to_string(rng() % 1000000000) + "-" + std::to_string(++n) + "@druvo.test";
}

// What the relay saved for a recipient: the raw message and the parser's view of it.
struct Saved {
  std::string raw, subject, from, body, defects, envelope;
};

Saved SavedFor(const std::string& recipient) {
  Saved s;
  for (const auto& entry : std::filesystem::directory_iterator(Relays().folder)) {
    const std::string name = entry.path().filename().string();
    if (name.rfind(recipient + "-", 0) == 0 && entry.path().extension() == ".eml") {
      const std::string base = entry.path().string();
      const std::string stem = base.substr(0, base.size() - 4);
      s.raw = ReadFile(base);
      s.subject = ReadFile(stem + ".subject");
      s.from = ReadFile(stem + ".from");
      s.body = ReadFile(stem + ".body");
      s.defects = ReadFile(stem + ".defects");
      s.envelope = ReadFile(stem + ".envelope");
    }
  }
  return s;
}

bool NothingSavedFor(const std::string& recipient) {
  for (const auto& entry : std::filesystem::directory_iterator(Relays().folder)) {
    if (entry.path().filename().string().rfind(recipient + "-", 0) == 0) return false;
  }
  return true;
}

// CR LF line ends only, no line over `maxLine`, in the message as the relay received it.
void ExpectWireForm(const std::string& m, std::size_t maxLine) {
  std::size_t lineStart = 0;
  std::size_t longest = 0;
  for (std::size_t i = 0; i < m.size(); ++i) {
    if (m[i] == '\n') {
      ASSERT_TRUE(i > 0 && m[i - 1] == '\r') << "bare LF at " << i;
      longest = std::max(longest, i - 1 - lineStart);
      lineStart = i + 1;
    } else if (m[i] == '\r') {
      ASSERT_TRUE(i + 1 < m.size() && m[i + 1] == '\n') << "bare CR at " << i;
    }
  }
  EXPECT_LE(std::max(longest, m.size() - lineStart), maxLine);
}

// Equal texts; otherwise where they part, without printing 50,000 characters.
::testing::AssertionResult SameText(const std::string& got, const std::string& want) {
  if (got == want) return ::testing::AssertionSuccess();
  std::size_t at = 0;
  while (at < got.size() && at < want.size() && got[at] == want[at]) ++at;
  const std::size_t from = at < 20 ? 0 : at - 20;
  return ::testing::AssertionFailure()
         << "sizes " << got.size() << " and " << want.size() << ", first difference at " << at
         << ": got \"" << got.substr(from, 60) << "\", want \"" << want.substr(from, 60) << "\"";
}

std::string BodyOf(const std::string& raw) {
  bool ok = false;
  std::string body = mailtest::DecodeQuotedPrintable(raw.substr(raw.find("\r\n\r\n") + 4), ok);
  EXPECT_TRUE(ok) << "not valid quoted-printable";
  return body;
}

std::string Header(const std::string& raw, const char* name) {
  bool ok = false;
  std::string v = mailtest::DecodeHeader(mailtest::RawHeader(raw, name), ok);
  EXPECT_TRUE(ok) << name;
  return v;
}

struct Window {
  MemoryView view;
  MainWindow w;
  explicit Window(const std::string& relay) : w(view, MakeServices(relay)) {}
  static Services MakeServices(const std::string& relay) {
    Services s;
    s.helpdesk = "helpdesk@druvo.test";
    s.relay = relay;
    return s;
  }
};

const char* const kFailureBox =
    "Versturen email mislukt, Stuur een email naar helpdesk@druvo.test en plak daarin deze info";

}  // namespace

TEST(MailReport, DeliversTheRunLogIntact) {
  RELAY_OR_SKIP(relay, "accept");
  Window win(relay);
  win.w.customerNumber = "12345";
  const std::string to = UniqueRecipient();
  const std::string text =
      "Conversie gestart\r\n"
      ".\r\n"  // alone, this line would end the data if it were not stuffed
      ".begint met een punt\r\n"
      "..twee punten\r\n"
      "From the start\r\n"
      "caf\xC3\xA9 kost 3 \xE2\x82\xAC\r\n"
      "tab\tand blanks at the end  \r\n"
      "=?UTF-8?Q?no_word?= = 3D\r\n" +
      std::string(1200, 'x') + "\r\n\r\n" +
      "07-12-2026 21:05:09  Conversie voltooid...";
  const int eventsBefore = win.view.events;

  const auto sendStart = std::chrono::steady_clock::now();
  EXPECT_EQ(SendEmail(win.w, to, text), "Message sent successfully!");
  const double sendSeconds = Seconds(std::chrono::steady_clock::now() - sendStart).count();
  EXPECT_TRUE(win.view.boxes.empty());
  // The window's events run only while the transfer waits for the relay, once per slice:
  // a relay that answers at once leaves them nearly nothing, and no wait spins.
  EXPECT_LE(win.view.events - eventsBefore,
            static_cast<int>(sendSeconds / Seconds(smtp::kEventSlice).count()) + 1);

  const Saved s = SavedFor(to);
  ASSERT_FALSE(s.raw.empty()) << "nothing saved for " << to;
  ExpectWireForm(s.raw, 78);
  EXPECT_TRUE(SameText(BodyOf(s.raw), text));
  EXPECT_EQ(Header(s.raw, "Subject"), "EAN Conversie klant 12345");
  EXPECT_EQ(mailtest::RawHeader(s.raw, "From"),
            " \"helpdesk@druvo.test\" <helpdesk@druvo.test>");
  EXPECT_EQ(mailtest::RawHeader(s.raw, "To"), " " + to);
  EXPECT_EQ(mailtest::RawHeader(s.raw, "MIME-Version"), " 1.0");
  EXPECT_EQ(mailtest::RawHeader(s.raw, "Content-Type"), " text/plain; charset=UTF-8");
  EXPECT_EQ(mailtest::RawHeader(s.raw, "Content-Transfer-Encoding"), " quoted-printable");
  EXPECT_TRUE(std::regex_match(mailtest::RawHeader(s.raw, "Date"),
                               std::regex(" (Mon|Tue|Wed|Thu|Fri|Sat|Sun), [1-3]?[0-9] "
                                          "(Jan|Feb|Mar|Apr|May|Jun|Jul|Aug|Sep|Oct|Nov|Dec) "
                                          "20[0-9][0-9] [0-2][0-9]:[0-5][0-9]:[0-6][0-9] "
                                          "[+-][01][0-9][0-5][0-9]")))
      << mailtest::RawHeader(s.raw, "Date");
  EXPECT_TRUE(std::regex_match(mailtest::RawHeader(s.raw, "Message-ID"),
                               std::regex(" <[0-9a-f.]+@druvo\\.test>")))
      << mailtest::RawHeader(s.raw, "Message-ID");
  EXPECT_EQ(s.envelope, "MAIL FROM:helpdesk@druvo.test\nRCPT TO:" + to + "\n");

  // Python's e-mail parser reads the same: no defects, same subject, sender and body.
  EXPECT_EQ(s.defects, "");
  EXPECT_EQ(s.subject, "EAN Conversie klant 12345");
  EXPECT_EQ(s.from, "helpdesk@druvo.test\nhelpdesk@druvo.test");
  EXPECT_TRUE(SameText(s.body, text));
}

TEST(MailReport, KeepsTheSubjectsTrailingBlankAndLongBodies) {
  RELAY_OR_SKIP(relay, "accept");
  Window win(relay);
  win.w.customerNumber = "";  // as typed: nothing
  const std::string to = UniqueRecipient();
  // 50,000 characters: log lines, non-ASCII ones, dots at line starts, one very long line.
  std::string body;
  for (int i = 0; body.size() < 30000; ++i) {
    body += (i % 7 == 0 ? "." : "") + std::string("Bestand QWIMAPD.DAT ") + std::to_string(i) +
            (i % 5 == 0 ? " caf\xC3\xA9 \xE2\x82\xAC" : "") + "\r\n";
  }
  body += std::string(20000, 'y');
  const std::size_t chars = text::CountChars(body);
  ASSERT_LT(chars, 50000u);
  body += std::string(50000 - chars, 'z');
  ASSERT_EQ(text::CountChars(body), 50000u);
  const auto start = std::chrono::steady_clock::now();

  EXPECT_EQ(SendEmail(win.w, to, body), "Message sent successfully!");
  const double seconds = Seconds(std::chrono::steady_clock::now() - start).count();
  EXPECT_LT(seconds, 5.0);

  const Saved s = SavedFor(to);
  ASSERT_FALSE(s.raw.empty());
  ExpectWireForm(s.raw, 78);
  EXPECT_TRUE(SameText(BodyOf(s.raw), body));
  EXPECT_TRUE(SameText(s.body, body));
  EXPECT_EQ(Header(s.raw, "Subject"), "EAN Conversie klant ");
  EXPECT_EQ(s.subject, "EAN Conversie klant ");
  EXPECT_EQ(s.defects, "");
  RecordProperty("send_seconds_50000_chars", std::to_string(seconds));
}

TEST(MailReport, EncodesNamesAndSubjectsBeyondAscii) {
  RELAY_OR_SKIP(relay, "accept");
  const std::string to = UniqueRecipient();
  // Short enough for one encoded word: Python's parser puts a blank between two encoded
  // words of a display name, where RFC 2047 drops the space between them.
  const std::string name = "J\xC3\xB6rg M\xC3\xBCller \"B.V.\"";
  const std::string subject = "EAN Conversie klant \xC3\xA9\xC3\xA9n \xE2\x82\xAC " +
                              std::string(90, 'k') + " na een hele lange klantnaam met ruimte";
  MailMessage m(smtp::TimeLimits{std::chrono::seconds(5), std::chrono::seconds(5),
                                 std::chrono::seconds(10)});
  m.Silent(true);
  m.Logging(true);
  m.From("helpdesk@druvo.test");
  m.FromName(name + "\r\nBcc: x@y");
  m.AddRecipient(to);
  m.Subject(subject + "\nX-Injected: yes");
  m.Body("a\nb\rc\r\n");  // bare LF and bare CR go out as CR LF
  ASSERT_TRUE(m.Send(relay)) << m.Log();

  const Saved s = SavedFor(to);
  ASSERT_FALSE(s.raw.empty());
  ExpectWireForm(s.raw, 78);
  EXPECT_EQ(s.raw.find("\r\nBcc:"), std::string::npos);
  EXPECT_EQ(s.raw.find("\r\nX-Injected:"), std::string::npos);
  EXPECT_EQ(Header(s.raw, "Subject"), subject + " X-Injected: yes");
  EXPECT_EQ(s.subject, subject + " X-Injected: yes");
  EXPECT_EQ(s.from, name + " Bcc: x@y\nhelpdesk@druvo.test");
  EXPECT_EQ(Header(s.raw, "From"), name + " Bcc: x@y <helpdesk@druvo.test>");
  EXPECT_EQ(BodyOf(s.raw), "a\r\nb\r\nc\r\n");
  EXPECT_EQ(s.envelope, "MAIL FROM:helpdesk@druvo.test\nRCPT TO:" + to + "\n");
  EXPECT_EQ(s.defects, "");
  // The transfer log: commands and replies, the body left out.
  const std::string& log = m.Log();
  EXPECT_NE(log.find("-> EHLO [127.0.0.1]\r\n<- 250-sink.test\r\n"), std::string::npos) << log;
  EXPECT_NE(log.find("-> RCPT TO:<" + to + ">\r\n<- 250 OK\r\n"), std::string::npos) << log;
  EXPECT_NE(log.find("-> DATA\r\n<- 354 "), std::string::npos) << log;
  EXPECT_NE(log.find("-> QUIT\r\n<- 221 "), std::string::npos) << log;
  EXPECT_EQ(log.find("Error"), std::string::npos) << log;
  EXPECT_EQ(log.find("a\r\nb"), std::string::npos) << log;
}

TEST(MailReport, RefusalsGiveTheLogAndTheFailureBox) {
  RELAY_OR_SKIP(relay, "refuse-rcpt");
  RELAY_OR_SKIP(dataRelay, "refuse-data");
  RELAY_OR_SKIP(heloRelay, "no-ehlo");

  // Refused recipient: the result is the transfer log, and the user is asked to mail by hand.
  Window win(relay);
  win.w.customerNumber = "9";
  const std::string to = UniqueRecipient();
  const std::string result = SendEmail(win.w, to, "tekst");
  ASSERT_EQ(win.view.boxes.size(), 1u);
  EXPECT_EQ(win.view.boxes[0].text, kFailureBox);
  EXPECT_EQ(win.view.boxes[0].buttons, Buttons::kOk);
  EXPECT_EQ(result.rfind("Connecting to 127.0.0.1 port ", 0), 0u) << result;
  EXPECT_NE(result.find("-> RCPT TO:<" + to + ">\r\n<- 550 5.1.1 Recipient refused"),
            std::string::npos)
      << result;
  EXPECT_NE(result.find("Error: the relay refused the recipient " + to + ": 550"),
            std::string::npos)
      << result;
  EXPECT_NE(result.find("-> QUIT\r\n<- 221"), std::string::npos) << result;
  EXPECT_EQ(result.find("-> DATA"), std::string::npos) << result;

  // Refused at the end of the data.
  MailMessage m;
  m.Silent(true);
  m.Logging(true);
  m.From("helpdesk@druvo.test");
  const std::string to2 = UniqueRecipient();
  m.AddRecipient(to2);
  m.Subject("s");
  m.Body("b");
  EXPECT_FALSE(m.Send(dataRelay));
  EXPECT_NE(m.Log().find("<- 354"), std::string::npos) << m.Log();
  EXPECT_NE(m.Log().find("Error: the relay refused the message: 550 5.7.1"), std::string::npos)
      << m.Log();
  EXPECT_TRUE(NothingSavedFor(to2));

  // Not silent: the same refusal raises; without Logging, Log holds only the reason.
  MailMessage loud;
  loud.From("helpdesk@druvo.test");
  loud.AddRecipient(UniqueRecipient());
  EXPECT_THROW(loud.Send(dataRelay), MailError);
  EXPECT_EQ(loud.Log().rfind("Error: the relay refused the message: 550", 0), 0u) << loud.Log();
  EXPECT_EQ(loud.Log().find("->"), std::string::npos) << loud.Log();

  // A relay that knows only HELO still takes the message.
  MailMessage old;
  old.Silent(true);
  old.Logging(true);
  old.From("helpdesk@druvo.test");
  const std::string to3 = UniqueRecipient();
  old.AddRecipient(to3);
  EXPECT_TRUE(old.Send(heloRelay)) << old.Log();
  EXPECT_NE(old.Log().find("<- 502 5.5.1 EHLO not implemented here\r\n-> HELO [127.0.0.1]"),
            std::string::npos)
      << old.Log();
  EXPECT_FALSE(SavedFor(to3).raw.empty());
}

// No python relay needed: a socket that accepts and never answers, and a closed port.
TEST(MailReport, SilentOrMissingRelayEndsWithinTheLimits) {
  net::LoopbackListener mute;
  ASSERT_TRUE(mute.Open());
  const std::string muteRelay = "127.0.0.1:" + std::to_string(mute.Port());
  auto sendTo = [](const std::string& relay, smtp::TimeLimits limits, double& seconds) {
    MailMessage m(limits);
    m.Silent(true);
    m.Logging(true);
    m.From("helpdesk@druvo.test");
    m.AddRecipient("nobody@druvo.test");
    const auto start = std::chrono::steady_clock::now();
    const bool sent = m.Send(relay);
    seconds = Seconds(std::chrono::steady_clock::now() - start).count();
    EXPECT_FALSE(sent);
    return m.Log();
  };
  using std::chrono::milliseconds;
  double seconds = 0;
  // The limit for a reply.
  std::string log = sendTo(muteRelay, {milliseconds(1000), milliseconds(800), milliseconds(5000)},
                           seconds);
  EXPECT_GE(seconds, 0.75);
  EXPECT_LT(seconds, 2.0);
  EXPECT_NE(log.find("Error: no reply before the time limit (waiting for the reply to the "
                     "greeting)"),
            std::string::npos)
      << log;
  RecordProperty("mute_reply_limit_seconds", std::to_string(seconds));
  // The limit for the whole transfer holds over a longer reply limit.
  log = sendTo(muteRelay, {milliseconds(1000), milliseconds(5000), milliseconds(600)}, seconds);
  EXPECT_GE(seconds, 0.55);
  EXPECT_LT(seconds, 2.0);
  EXPECT_NE(log.find("no reply before the time limit"), std::string::npos) << log;

  // Nothing listening: the port of a listener that has been closed.
  net::LoopbackListener gone;
  ASSERT_TRUE(gone.Open());
  const std::string closedRelay = "127.0.0.1:" + std::to_string(gone.Port());
  gone.Close();
  log = sendTo(closedRelay, {milliseconds(3000), milliseconds(3000), milliseconds(3000)}, seconds);
  EXPECT_LT(seconds, 3.0);
  EXPECT_NE(log.find("Error: connect to 127.0.0.1: verbinding geweigerd"), std::string::npos) << log;

  // Through the report, unreachable and silent alike: the component's log, and the box.
  // While the silent relay is waited for, the window's events run every slice (the window
  // paints and answers), and nothing of them comes after the box.
  for (const std::string& relay : {closedRelay, muteRelay}) {
    Window win(relay);
    std::vector<std::chrono::steady_clock::time_point> events;
    std::size_t boxesAtEvents = 0;
    win.view.onEvents = [&] {
      events.push_back(std::chrono::steady_clock::now());
      boxesAtEvents = std::max(boxesAtEvents, win.view.boxes.size());
    };
    const auto start = std::chrono::steady_clock::now();
    const std::string result = SendEmail(win.w, "helpdesk@druvo.test", "x",
                                         {milliseconds(1000), milliseconds(500), milliseconds(1000)});
    ASSERT_EQ(win.view.boxes.size(), 1u) << relay;
    EXPECT_EQ(win.view.boxes[0].text, kFailureBox);
    EXPECT_EQ(boxesAtEvents, 0u) << relay;
    EXPECT_TRUE(win.view.enableCalls.empty()) << "the caller decides Start and Stop";
    EXPECT_NE(result.find(relay == closedRelay ? "Error: connect to 127.0.0.1: verbinding geweigerd"
                                               : "Error: no reply before the time limit"),
              std::string::npos)
        << result;
    if (relay != muteRelay) continue;
    // 500 ms without a reply: about ten slices of 50 ms, none much longer than a slice.
    EXPECT_GE(events.size(), 5u);
    double longest = 0;
    auto last = start;
    for (const auto& at : events) {
      longest = std::max(longest, Seconds(at - last).count());
      last = at;
    }
    EXPECT_LT(longest, 0.3) << "the longest time without events while the relay was silent";
    RecordProperty("mute_relay_events", std::to_string(events.size()));
  }
}

// Values the component refuses end the steps at once with the message box and "".
TEST(MailReport, RefusedValuesShowTheFailureBox) {
  // A closed port: nothing may be reached even if a check were missing.
  net::LoopbackListener gone;
  ASSERT_TRUE(gone.Open());
  const std::string closedRelay = "127.0.0.1:" + std::to_string(gone.Port());
  gone.Close();

  struct Case {
    std::string relay, helpdesk, to;
  };
  const Case cases[] = {
      {closedRelay, "helpdesk@druvo.test", "x@druvo.test\r\nRCPT TO:<evil@druvo.test>"},
      {closedRelay, "helpdesk@druvo.test", ""},
      {"", "helpdesk@druvo.test", "x@druvo.test"},
      {"127.0.0.1:0", "helpdesk@druvo.test", "x@druvo.test"},
      {"127.0.0.1:99999", "helpdesk@druvo.test", "x@druvo.test"},
      {"127.0.0.1\r\n:25", "helpdesk@druvo.test", "x@druvo.test"},
  };
  for (const Case& c : cases) {
    Window win(c.relay);
    win.w.services.helpdesk = c.helpdesk;
    EXPECT_EQ(SendEmail(win.w, c.to, "tekst"), "") << c.relay << " / " << c.to;
    ASSERT_EQ(win.view.boxes.size(), 1u) << c.relay << " / " << c.to;
    EXPECT_EQ(win.view.boxes[0].text, kFailureBox);
    EXPECT_EQ(win.view.boxes[0].buttons, Buttons::kOk);
  }
  // A sender the component refuses: the help-desk address itself is not usable.
  Window bad(closedRelay);
  bad.w.services.helpdesk = "help desk";
  EXPECT_EQ(SendEmail(bad.w, "x@druvo.test", "tekst"), "");
  ASSERT_EQ(bad.view.boxes.size(), 1u);
  EXPECT_EQ(bad.view.boxes[0].text,
            "Versturen email mislukt, Stuur een email naar help desk en plak daarin deze info");

  // Unreachable while not silent raises as well.
  MailMessage m;
  m.From("helpdesk@druvo.test");
  m.AddRecipient("x@druvo.test");
  EXPECT_THROW(m.Send(closedRelay), MailError);
  MailMessage empty;
  empty.Silent(true);
  EXPECT_THROW(empty.Send(closedRelay), MailError);  // no sender, no recipient
}

// Writes a demo installation into dir/demo, lets `prepare` change it, and runs the console
// program on it with its mail going to `to` through `relay`; the program's exit code.
int RunDemoMailingTo(const testing_support::TempDir& dir, const std::string& relay, const std::string& to,
                     const std::function<void()>& prepare = {}) {
  if (testing_support::RunConsoleProgram("demo " + testing_support::Quote(dir / "demo")) != 0) return -1;
  if (prepare) prepare();
  testing_support::SetEnv("DRUVO_SMTP_RELAY", relay);
  testing_support::SetEnv("DRUVO_HELPDESK", to);
  const int code = testing_support::RunConsoleProgram(
      "run --yes --customer 4711 --program-folder " + testing_support::Quote(dir / "demo/QMV") +
      " --database-folder " + testing_support::Quote(dir / "demo/DATA"));
  testing_support::UnsetEnv("DRUVO_SMTP_RELAY");
  testing_support::UnsetEnv("DRUVO_HELPDESK");
  return code;
}

// The console program converts a demo installation and mails its whole log to the relay.
TEST(MailReport, WholeRunOfTheConsoleProgramArrivesWithItsLog) {
  RELAY_OR_SKIP(relay, "accept");
  testing_support::TempDir dir;
  const std::string to = UniqueRecipient();
  const int code = RunDemoMailingTo(dir, relay, to);
  EXPECT_EQ(code, 1);  // the demo's invalid numbers are ERROR lines
  const Saved s = SavedFor(to);
  ASSERT_FALSE(s.raw.empty());
  ExpectWireForm(s.raw, 998);
  EXPECT_EQ(s.subject, "EAN Conversie klant 4711");
  // The run log is the log view's text followed by CR LF, in the code page; the mail
  // carries the log view's text itself.
  const std::string runLog = ReadFile(dir / "demo/QMV/DRUVO.Log");
  ASSERT_GT(runLog.size(), 1000u);
  EXPECT_EQ(s.body + "\r\n", runLog);
}

// A run whose DRUVO.Log cannot be written still mails its log, which says so; exit 6.
TEST(MailReport, RunLogThatCannotBeWrittenIsInTheMail) {
  RELAY_OR_SKIP(relay, "accept");
  testing_support::TempDir dir;
  const std::string to = UniqueRecipient();
  const int code = RunDemoMailingTo(dir, relay, to, [&] {
    std::filesystem::create_directory(dir / "demo/QMV/DRUVO.Log");
  });
  EXPECT_EQ(code, 6);
  const Saved s = SavedFor(to);
  ASSERT_FALSE(s.raw.empty());
  const std::string line = "\r\nKan " + (dir / "demo/QMV") + "\\DRUVO.Log niet schrijven: ";
  EXPECT_NE(s.body.find(line), std::string::npos) << s.body.substr(s.body.size() - 300);
}
