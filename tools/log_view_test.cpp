#include "tools/log_view.h"

#include <gtest/gtest.h>

#include <filesystem>
#include <random>

#include "model/main_window.h"
#include "model/memory_view.h"
#include "test_support.h"

using namespace druvo;
using testing_support::TempDir;
using testing_support::WriteFile;

namespace {

struct Fixture {
  TempDir dir;
  MemoryView view;
  MainWindow w{view};

  std::string Write(std::string_view bytes) {
    std::string p = dir / "QWIMAPD.Log";
    WriteFile(p, bytes);
    return p;
  }
};

}  // namespace

TEST(SplitLines, TerminatorsNulsAndLastLine) {
  using V = std::vector<std::string>;
  EXPECT_EQ(SplitLines("a\r\nb\rc"), (V{"a", "b", "c"}));
  EXPECT_EQ(SplitLines("a\r\n\r\n"), (V{"a", ""}));
  EXPECT_EQ(SplitLines("a\nb\n"), (V{"a", "b"}));
  EXPECT_EQ(SplitLines("a\r\rb"), (V{"a", "", "b"}));
  EXPECT_EQ(SplitLines(std::string_view("x\0y", 3)), (V{"x y"}));
  EXPECT_EQ(SplitLines(""), V{});
}

TEST(AppendLogToView, MissingAndEmptyFilesAppendNothing) {
  Fixture f;
  AppendLogToView(f.w, f.dir / "missing.Log");
  EXPECT_EQ(f.w.LogViewText(), "");
  f.Write("");
  AppendLogToView(f.w, f.dir / "QWIMAPD.Log");
  EXPECT_EQ(f.w.LogViewText(), "");
  EXPECT_EQ(f.view.caretMoves, 0);
  EXPECT_EQ(f.w.errorCount, 0);
}

TEST(AppendLogToView, LinesCaretEventsAndCodePage) {
  Fixture f;
  AppendLogToView(f.w, f.Write("a\rb\r\nc"));
  EXPECT_EQ(f.w.LogViewText(), "a\r\nb\r\nc\r\n");
  EXPECT_EQ(f.view.log, f.w.LogViewText());
  EXPECT_EQ(f.view.caretAtEnd, 9u);
  EXPECT_EQ(f.view.events, 4);  // once per line and once at the end

  // Bytes of the code page arrive as their characters: 0x80 is the euro sign, 0xE9 e-acute.
  Fixture g;
  AppendLogToView(g.w, g.Write("prijs \x80 caf\xE9\r\n"));
  EXPECT_EQ(g.w.LogViewText(), "prijs \xE2\x82\xAC caf\xC3\xA9\r\n");
}

TEST(AppendLogToView, CountsLinesThatBeginWithError) {
  Fixture f;
  AppendLogToView(f.w, f.Write("Error: 12\r\nerrors found\r\nERROR\r\n ERROR x\r\nERR\r\n"
                               "WARNING ERROR\r\nfine\r\n"));
  EXPECT_EQ(f.w.errorCount, 3);

  f.w.errorCount = 32766;
  AppendLogToView(f.w, f.Write("ERROR 1\r\nERROR 2\r\n"));
  EXPECT_EQ(f.w.errorCount, 32767);
  EXPECT_NE(f.w.LogViewText().find("ERROR 2\r\n"), std::string::npos);
}

TEST(AppendLogToView, ViewKeepsItsNewestFiftyThousandCharacters) {
  Fixture f;
  f.w.LogAppend(std::string(49998, 'v'));
  AppendLogToView(f.w, f.Write("0123456789"));
  EXPECT_EQ(f.w.log.Chars(), 50000u);
  EXPECT_EQ(f.w.LogViewText().substr(49988), "0123456789\r\n");
  EXPECT_EQ(f.view.log, f.w.LogViewText());

  Fixture g;
  g.w.LogAppend(std::string(49990, 'v'));
  AppendLogToView(g.w, g.Write("01234567"));  // exactly 50,000 with CR LF
  EXPECT_EQ(g.w.log.Chars(), 50000u);
  EXPECT_EQ(g.w.LogViewText().substr(0, 3), "vvv");

  // A huge line with NUL bytes: shown, capped, nothing lost after the NUL.
  Fixture h;
  std::string huge(1 << 20, 'x');
  huge[10] = '\0';
  huge += "END";
  AppendLogToView(h.w, h.Write(huge));
  EXPECT_EQ(h.w.log.Chars(), 50000u);
  EXPECT_EQ(h.w.LogViewText().substr(49995), "END\r\n");
}

// Fed in pieces of any size and handed in parts of any size, the text gives the same lines
// as when it is split whole; every line begins once and ends once.
TEST(LineSplitter, PiecesAndPartsGiveTheSameLines) {
  std::mt19937 rng(20261208);
  const char alphabet[] = "ERRORab\r\n\0\x80 ";
  for (int round = 0; round < 2000; ++round) {
    std::string bytes;
    const int n = static_cast<int>(rng() % 80);
    for (int i = 0; i < n; ++i) bytes += alphabet[rng() % (sizeof alphabet - 1)];
    const std::size_t maxPart = 1 + rng() % 6;
    std::vector<std::string> lines;
    bool open = false;
    LineSplitter splitter(
        [&](std::string_view part, bool begins, bool ends) {
          EXPECT_LE(part.size(), maxPart);
          EXPECT_EQ(begins, !open);
          if (begins) lines.emplace_back();
          lines.back() += part;
          open = !ends;
        },
        maxPart);
    for (std::size_t at = 0; at < bytes.size();) {
      const std::size_t piece = 1 + rng() % 5;
      splitter.Feed(std::string_view(bytes).substr(at, piece));
      at += piece;
    }
    splitter.Finish();
    EXPECT_FALSE(open);
    EXPECT_EQ(lines, SplitLines(bytes));
  }
}

// A log of a few MB read in pieces: ERROR lines at and across piece boundaries, a CR LF
// split by one, a long line handed in parts; every ERROR line counted once, and the view
// ends as it would after the lines had been appended whole.
TEST(AppendLogToView, LargeLogInPiecesCountsEveryErrorLineAndKeepsTheTail) {
  const std::size_t piece = LineSplitter::kMaxPart;
  std::string bytes;
  auto padTo = [&](std::size_t offset) {
    while (bytes.size() + 200 < offset)
      bytes += "regel " + std::to_string(bytes.size()) + std::string(90, '-') + "\r\n";
    bytes += std::string(offset - bytes.size() - 2, '.') + "\r\n";
  };
  padTo(piece);
  bytes += "ERROR at the first piece boundary\r\n";
  padTo(2 * piece - 3);
  bytes += "ERROR\r\n";  // "ERR" in one piece, "OR" in the next
  padTo(3 * piece - 1);
  bytes.back() = 'x';
  bytes += "\r\nERROR after a CR LF split by the boundary\r\n";
  bytes += "ERROR long " + std::string(3 * piece, 'x') + "\r\n";
  bytes += "long " + std::string(piece - 5, 'y') + "ERROR not at a line start\r\n";
  padTo(3 * 1024 * 1024);
  bytes += "error in lower case, as the last line without terminator";
  ASSERT_EQ(bytes.substr(3 * piece - 1, 2), "\r\n");

  int expectedErrors = 0;
  int parts = 0;  // events run once per part: a line of n bytes comes in n / piece + 1
  std::string whole;
  for (const std::string& line : SplitLines(bytes)) {
    parts += static_cast<int>(line.size() / piece) + 1;
    expectedErrors +=
        line.size() >= 5 && (line.compare(0, 5, "ERROR") == 0 || line.compare(0, 5, "error") == 0);
    whole += line + "\r\n";
  }
  ASSERT_EQ(expectedErrors, 5);

  Fixture f;
  f.w.LogAppend("earlier text\r\n");
  AppendLogToView(f.w, f.Write(bytes));
  EXPECT_EQ(f.w.errorCount, expectedErrors);
  EXPECT_EQ(f.w.log.Chars(), 50000u);
  EXPECT_TRUE(f.w.LogViewText() == whole.substr(whole.size() - 50000));
  EXPECT_EQ(f.view.log, f.w.LogViewText());
  EXPECT_EQ(f.view.caretAtEnd, f.view.log.size());
  EXPECT_EQ(f.view.events, parts + 1);
}

TEST(AppendLogToView, AFolderNamedLikeALogIsPassedOver) {
  Fixture f;
  std::filesystem::create_directory(f.dir / "QWIMAPD.Log");
  AppendLogToView(f.w, f.dir / "QWIMAPD.Log");
  EXPECT_EQ(f.w.LogViewText(), "");
  EXPECT_EQ(f.view.caretMoves, 0);
}
