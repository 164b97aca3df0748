#include "tools/log_view.h"

#include <gtest/gtest.h>

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
