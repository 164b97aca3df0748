#include "tools/smtp.h"

#include <gtest/gtest.h>

#include <random>

#include "mail_test_util.h"

using namespace druvo::smtp;

namespace {

ParseStatus Parse(std::string_view in, Reply& r, std::size_t& used) { return ParseReply(in, r, used); }

// Every line of a message in its transfer form: CR LF ends only, and its length.
void ExpectWireForm(const std::string& m, std::size_t maxLine) {
  std::size_t lineStart = 0;
  for (std::size_t i = 0; i < m.size(); ++i) {
    if (m[i] == '\n') {
      ASSERT_TRUE(i > 0 && m[i - 1] == '\r') << "bare LF at " << i;
      EXPECT_LE(i - 1 - lineStart, maxLine) << "line at " << lineStart;
      lineStart = i + 1;
    } else if (m[i] == '\r') {
      ASSERT_TRUE(i + 1 < m.size() && m[i + 1] == '\n') << "bare CR at " << i;
    }
  }
  EXPECT_LE(m.size() - lineStart, maxLine);
}

// Up to maxLen pieces drawn at random.
std::string RandomText(std::mt19937& rng, std::size_t maxLen,
                       const std::vector<std::string>& pieces) {
  std::uniform_int_distribution<std::size_t> len(0, maxLen);
  std::uniform_int_distribution<std::size_t> pick(0, pieces.size() - 1);
  std::string s;
  for (std::size_t n = len(rng); n > 0; --n) s += pieces[pick(rng)];
  return s;
}

std::vector<std::string> Bytes(std::string_view chars) {
  std::vector<std::string> out;
  for (char c : chars) out.emplace_back(1, c);
  return out;
}

}  // namespace

TEST(SmtpReply, ReadsSingleAndMultiLineReplies) {
  Reply r;
  std::size_t used = 0;
  ASSERT_EQ(Parse("220 sink.test ESMTP\r\n", r, used), ParseStatus::kComplete);
  EXPECT_EQ(r.code, 220);
  EXPECT_EQ(r.lines, std::vector<std::string>{"sink.test ESMTP"});

  const std::string ehlo = "250-sink.test\r\n250-SIZE 100\r\n250 HELP\r\n354 next\r\n";
  ASSERT_EQ(Parse(ehlo, r, used), ParseStatus::kComplete);
  EXPECT_EQ(r.code, 250);
  EXPECT_EQ(r.lines, (std::vector<std::string>{"sink.test", "SIZE 100", "HELP"}));
  EXPECT_EQ(used, ehlo.find("354"));  // the next reply stays for the next read

  // A code alone, and a bare LF as line end.
  ASSERT_EQ(Parse("250\n", r, used), ParseStatus::kComplete);
  EXPECT_EQ(r.lines, std::vector<std::string>{""});
  EXPECT_EQ(used, 4u);

  // Beginnings of a reply need more input.
  for (std::string_view part : {"", "2", "25", "250", "250-a\r\n", "250-a\r\n25", "250 ok\r"}) {
    EXPECT_EQ(Parse(part, r, used), ParseStatus::kIncomplete) << part;
  }
  // Not a reply: junk, a code out of range, another separator, codes that differ, a CR
  // inside a line, a line too long, too many lines.
  for (std::string_view bad : {"x", "HTTP/1.1 400\r\n", "600 no\r\n", "099 no\r\n", "2a0 x\r\n",
                               "250x\r\n", "25\r\n", "\r\n", "250-a\r\n251 b\r\n",
                               "250 a\rb\r\n"}) {
    EXPECT_EQ(Parse(bad, r, used), ParseStatus::kMalformed) << bad;
  }
  EXPECT_EQ(Parse("250-a\r\n3", r, used), ParseStatus::kMalformed);
  EXPECT_EQ(Parse("250 " + std::string(kMaxReplyLine, 'a') + "\r\n", r, used),
            ParseStatus::kMalformed);
  // Also while it is still arriving: the buffer of a reply stays bounded.
  EXPECT_EQ(Parse("250 " + std::string(kMaxReplyLine, 'a'), r, used), ParseStatus::kMalformed);
  std::string many;
  for (std::size_t i = 0; i < kMaxReplyLines; ++i) many += "250-x\r\n";
  EXPECT_EQ(Parse(many + "250 end\r\n", r, used), ParseStatus::kMalformed);
  many.resize(many.size() - 7);
  ASSERT_EQ(Parse(many + "250 end\r\n", r, used), ParseStatus::kComplete);
  EXPECT_EQ(r.lines.size(), kMaxReplyLines);
}

// Random inputs, half of them built from reply-like pieces: the parser never crashes and
// its answers hang together.
TEST(SmtpReply, RandomInputsKeepTheInvariants) {
  std::mt19937 rng(20261207);
  const std::vector<std::string> pieces = {"250", "250-", "250 ", "220 ", "354", "550", "5",
                                           "-", " ", "\r\n", "\n", "\r", "ok", std::string(1, '\0'),
                                           "\xff", "999", "2500 ", "text here"};
  const std::vector<std::string> bytes = Bytes(std::string_view("0123456789 -\r\nabc\0\xff", 19));
  const std::vector<std::string> tail = Bytes("25 \r\n-x");
  std::uniform_int_distribution<int> coin(0, 1);
  int complete = 0;
  for (int round = 0; round < 4000; ++round) {
    const std::string in = coin(rng) ? RandomText(rng, 12, pieces) : RandomText(rng, 40, bytes);
    Reply r;
    std::size_t used = 12345;
    const ParseStatus st = ParseReply(in, r, used);
    const std::string extra = RandomText(rng, 8, tail);
    Reply r2;
    std::size_t used2 = 0;
    const ParseStatus st2 = ParseReply(in + extra, r2, used2);
    if (st == ParseStatus::kComplete) {
      ++complete;
      ASSERT_TRUE(used > 0 && used <= in.size()) << round;
      ASSERT_EQ(in[used - 1], '\n');
      ASSERT_TRUE(r.code >= 100 && r.code <= 599);
      ASSERT_FALSE(r.lines.empty());
      for (const std::string& line : r.lines) {
        ASSERT_EQ(line.find_first_of("\r\n"), std::string::npos);
      }
      // More input after a complete reply changes nothing.
      ASSERT_EQ(st2, ParseStatus::kComplete);
      ASSERT_EQ(used2, used);
      ASSERT_EQ(r2.lines, r.lines);
      // Written out again, the reply reads back the same.
      ASSERT_EQ(ParseReply(r.Text() + "\r\n", r2, used2), ParseStatus::kComplete);
      ASSERT_EQ(r2.code, r.code);
      ASSERT_EQ(r2.lines, r.lines);
    } else if (st == ParseStatus::kMalformed) {
      ASSERT_EQ(st2, ParseStatus::kMalformed) << round;  // no more input repairs it
    }
  }
  EXPECT_GT(complete, 100);  // the generator does reach complete replies
}

TEST(SmtpAddress, AcceptsPlainAddressesAndRelays) {
  for (std::string_view good : {"helpdesk@druvo.example", "a.b+c@x-y.example", "o'neil@x",
                                "user@[127.0.0.1]", "x@mail_host.local"}) {
    EXPECT_TRUE(IsValidAddress(good)) << good;
  }
  for (std::string_view bad :
       {"", "a", "@x", "a@", "a@b\r\nRCPT TO:<c@d>", "a b@c", ".a@b", "a.@b", "a..b@c", "a@-b",
        "a@b..c", "\"q\"@b", "j\xC3\xA9@b", "a@b>", "<a@b>", "a@[1.2\r\n]"}) {
    EXPECT_FALSE(IsValidAddress(bad)) << bad;
  }
  EXPECT_FALSE(IsValidAddress(std::string(65, 'a') + "@b"));
  EXPECT_EQ(DomainOf("helpdesk@druvo.example"), "druvo.example");

  Relay r;
  ASSERT_TRUE(ParseRelay("localhost", r));
  EXPECT_EQ(r.host, "localhost");
  EXPECT_EQ(r.port, 25);
  ASSERT_TRUE(ParseRelay(" 127.0.0.1:2525 ", r));
  EXPECT_EQ(r.host, "127.0.0.1");
  EXPECT_EQ(r.port, 2525);
  ASSERT_TRUE(ParseRelay("[::1]:587", r));
  EXPECT_EQ(r.host, "::1");
  EXPECT_EQ(r.port, 587);
  for (std::string_view bad : {"", " ", "host:", "host:0", "host:65536", "host:25x", "::1",
                               "a b", "host\r\n", "[::1", "[]:25", "[::1]x", "-host"}) {
    EXPECT_FALSE(ParseRelay(bad, r)) << bad;
  }
}

TEST(QuotedPrintable, EncodesAndDecodesBackExactly) {
  EXPECT_EQ(EncodeQuotedPrintable(""), "");
  EXPECT_EQ(EncodeQuotedPrintable("a=b\r\n"), "a=3Db\r\n");
  EXPECT_EQ(EncodeQuotedPrintable("caf\xC3\xA9 \xE2\x82\xAC"), "caf=C3=A9 =E2=82=AC=\r\n");
  EXPECT_EQ(EncodeQuotedPrintable("end \r\ntab\t"), "end=20\r\ntab=09=\r\n");
  EXPECT_EQ(EncodeQuotedPrintable("a\nb\rc\r\n"), "a\r\nb\r\nc\r\n");
  EXPECT_EQ(EncodeQuotedPrintable("From here\r\n.dot"), "=46rom here\r\n.dot=\r\n");
  // 76 characters fit before a hard break; 77 need a soft break.
  EXPECT_EQ(EncodeQuotedPrintable(std::string(76, 'a') + "\r\n"), std::string(76, 'a') + "\r\n");
  EXPECT_EQ(EncodeQuotedPrintable(std::string(77, 'a') + "\r\n"),
            std::string(75, 'a') + "=\r\naa\r\n");
  // An escape is never cut by a soft break.
  const std::string e = EncodeQuotedPrintable(std::string(74, 'a') + "\xC3\xA9");
  EXPECT_EQ(e, std::string(74, 'a') + "=\r\n=C3=A9=\r\n");

  std::mt19937 rng(4242);
  const std::vector<std::string> alphabet = {"a", "b", " ", "=", ".", "\t", "\r", "\n",
                                             "\xC3\xA9", std::string(1, '\0'), "\x7f", "From "};
  for (int round = 0; round < 500; ++round) {
    const std::string text = RandomText(rng, 400, alphabet);
    const std::string enc = EncodeQuotedPrintable(text);
    ExpectWireForm(enc, 76);
    bool ok = false;
    ASSERT_EQ(mailtest::DecodeQuotedPrintable(enc, ok), NormalizeLineEnds(text));
    ASSERT_TRUE(ok);
    // No encoded line ends in a blank, and none starts "From ".
    ASSERT_EQ(enc.find(" \r\n"), std::string::npos);
    ASSERT_EQ(enc.find("\t\r\n"), std::string::npos);
    ASSERT_NE(enc.substr(0, 5), "From ");
    ASSERT_EQ(enc.find("\nFrom "), std::string::npos);
  }
}

TEST(HeaderField, WritesPlainTextAsIsAndEncodesTheRest) {
  EXPECT_EQ(UnstructuredField("Subject", "EAN Conversie klant 12345"),
            "Subject: EAN Conversie klant 12345");
  // A trailing blank survives only inside an encoded word.
  EXPECT_EQ(UnstructuredField("Subject", "EAN Conversie klant "),
            "Subject: =?UTF-8?Q?EAN_Conversie_klant_?=");
  EXPECT_EQ(UnstructuredField("Subject", ""), "Subject:");
  // A line break in a value becomes a blank: no header line can be added.
  const std::string injected = UnstructuredField("Subject", "a\r\nBcc: x@y\nc\rd");
  EXPECT_EQ(injected.find_first_of("\r\n"), std::string::npos);
  bool ok = false;
  EXPECT_EQ(mailtest::DecodeHeader(injected.substr(8), ok), "a Bcc: x@y c d");
  EXPECT_EQ(MailboxField("From", "helpdesk@druvo.example", "helpdesk@druvo.example"),
            "From: \"helpdesk@druvo.example\" <helpdesk@druvo.example>");
  EXPECT_EQ(MailboxField("From", "", "a@b"), "From: a@b");
  EXPECT_EQ(MailboxField("From", "Say \"hi\"", "a@b"), "From: \"Say \\\"hi\\\"\" <a@b>");

  // Long, non-ASCII and odd values: folded lines of at most 78 characters, encoded words
  // of at most 75 that never split a character, and the value read back exactly.
  std::mt19937 rng(77);
  const std::vector<std::string> alphabet = {"a", "b", " ", " ", "_", "=", "?", "\t", "\xC3\xA9",
                                             "\xE2\x82\xAC", "\"", "\\", "<", ">", "\xF0\x9F\x98\x80"};
  for (int round = 0; round < 300; ++round) {
    const std::string value = RandomText(rng, 300, alphabet);
    for (const std::string& field :
         {UnstructuredField("Subject", value), MailboxField("From", value, "a@b.example")}) {
      ExpectWireForm(field, 78);
      std::size_t at = field.find("=?");
      while (at != std::string::npos) {
        const std::size_t end = field.find("?=", at + 10);
        ASSERT_NE(end, std::string::npos);
        ASSERT_LE(end + 2 - at, 75u);
        const std::string word = field.substr(at + 10, end - at - 10);
        // Whole characters: a word never begins with a continuation byte.
        ASSERT_FALSE(word.size() >= 3 && word[0] == '=' && word.substr(1, 1) >= "8" &&
                     word.substr(1, 1) <= "B")
            << word;
        at = field.find("=?", end + 2);
      }
    }
    const std::string subject = UnstructuredField("Subject", value);
    ASSERT_EQ(mailtest::DecodeHeader(subject.substr(8), ok), value) << subject;
    ASSERT_TRUE(ok);
  }
}

TEST(SmtpMessage, BuildsTheTransferForm) {
  sys::LocalDateTime t;
  t.year = 2026;
  t.month = 12;
  t.day = 7;
  t.hour = 21;
  t.minute = 5;
  t.second = 9;
  EXPECT_EQ(FormatDate(t, 60), "Mon, 7 Dec 2026 21:05:09 +0100");
  EXPECT_EQ(FormatDate(t, -210), "Mon, 7 Dec 2026 21:05:09 -0330");
  t.year = 2000;
  t.month = 2;
  t.day = 29;
  EXPECT_EQ(FormatDate(t, 0), "Tue, 29 Feb 2000 21:05:09 +0000");
  sys::LocalDateTime utc = t;
  utc.day = 1;
  utc.month = 3;
  utc.hour = 1;  // local 29 Feb 21:05 is 1 Mar 01:05 UTC: four hours behind
  EXPECT_EQ(UtcOffsetMinutes(t, utc), -240);
  EXPECT_GE(CurrentDate().size(), 30u) << CurrentDate();
  EXPECT_NE(NewMessageId("x.example"), NewMessageId("x.example"));

  Message m;
  m.from = "helpdesk@druvo.example";
  m.fromName = "helpdesk@druvo.example";
  m.to = {"a@b.example", "c@d.example"};
  m.subject = "EAN Conversie klant 7";
  m.body = "regel 1\n.punt\r\n" + std::string(2000, 'z');
  const std::string msg = BuildMessage(m, "Mon, 7 Dec 2026 21:05:09 +0100", "<id@druvo.example>");
  const std::string head = msg.substr(0, msg.find("\r\n\r\n") + 2);
  EXPECT_EQ(head,
            "Date: Mon, 7 Dec 2026 21:05:09 +0100\r\n"
            "From: \"helpdesk@druvo.example\" <helpdesk@druvo.example>\r\n"
            "To: a@b.example, c@d.example\r\n"
            "Subject: EAN Conversie klant 7\r\n"
            "Message-ID: <id@druvo.example>\r\n"
            "MIME-Version: 1.0\r\n"
            "Content-Type: text/plain; charset=UTF-8\r\n"
            "Content-Transfer-Encoding: quoted-printable\r\n");
  ExpectWireForm(msg, 78);
  bool ok = false;
  EXPECT_EQ(mailtest::DecodeQuotedPrintable(msg.substr(head.size() + 2), ok),
            NormalizeLineEnds(m.body));
  EXPECT_TRUE(ok);
}

TEST(SmtpMessage, DotStuffsTheDataBlock) {
  EXPECT_EQ(DataBlock(""), ".\r\n");
  EXPECT_EQ(DataBlock("a\r\n"), "a\r\n.\r\n");
  EXPECT_EQ(DataBlock("a"), "a\r\n.\r\n");
  EXPECT_EQ(DataBlock(".\r\n..b\r\nc.d\r\n.e"), "..\r\n...b\r\nc.d\r\n..e\r\n.\r\n");
  // The only "CR LF . CR LF" in a stuffed block is its end.
  const std::string block = DataBlock("x\r\n.\r\n.\r\ny\r\n");
  EXPECT_EQ(block.find("\r\n.\r\n"), block.size() - 5);
}
