#include "model/main_window.h"

#include <gtest/gtest.h>

#include "model/memory_view.h"
#include "sys/env.h"
#include "test_support.h"

using namespace druvo;
using testing_support::SetEnv;
using testing_support::UnsetEnv;

namespace {

struct Loaded {
  MemoryView view;
  MainWindow w{view};
  Loaded() { w.Load(); }
};

}  // namespace

TEST(LoadStep, DatabaseFolderComesFromQmvdir) {
  UnsetEnv("QMVDIRX");
  SetEnv("QMVDIR", "D:\\QMVDATA");
  {
    Loaded l;
    EXPECT_EQ(l.w.sDBPath, "D:\\QMVDATA");
    EXPECT_EQ(l.view.Text(Control::txtDatabasePath), "D:\\QMVDATA");
  }
  UnsetEnv("QMVDIR");
  {
    Loaded l;
    EXPECT_EQ(l.w.sDBPath, "");
    EXPECT_EQ(l.view.Text(Control::txtDatabasePath), "");
  }
  // A longer name that starts with QMVDIR ends the walk, but the value is still taken from
  // QMVDIR itself: alone, it leaves both empty.
  SetEnv("QMVDIRX", "E:\\ELDERS");
  {
    Loaded l;
    EXPECT_EQ(l.w.sDBPath, "");
    EXPECT_EQ(l.view.Text(Control::txtDatabasePath), "");
  }
  UnsetEnv("QMVDIRX");
}

TEST(LoadStep, ProgramFolderSuffixCatalogueAndCounts) {
  Loaded l;
  EXPECT_EQ(l.w.sExePath, sys::WorkingDirectory());
  EXPECT_EQ(l.view.Text(Control::txtExePath), l.w.sExePath);
  EXPECT_EQ(l.w.dataFileSuffix, ".DAT");
  EXPECT_EQ(l.w.lastIndex, 31);
  EXPECT_EQ(l.w.errorCount, 0);
  EXPECT_EQ(l.w.catalogue.baseNames[0], "QWIMAPD");
  EXPECT_EQ(l.w.catalogue.baseNames[31], "QWIEAPUA");
  EXPECT_EQ(l.w.catalogue.descriptions[26], "Tussenbestand UK/US");
  EXPECT_GE(l.view.events, 1);
  EXPECT_TRUE(l.view.IsEnabled(Control::btnStart));
  EXPECT_TRUE(l.view.IsEnabled(Control::btnCancel));

  // The start-up rule takes the box only when it holds exactly two characters.
  for (auto [typed, suffix] : {std::pair{"01", ".D01"}, std::pair{"5", ".DAT"},
                               std::pair{"", ".DAT"}, std::pair{"ab", ".Dab"}}) {
    l.view.SetText(Control::txtExtensie, typed);
    EXPECT_EQ(l.w.GetDataFileSuffix(), suffix) << typed;
  }
}

TEST(LoadStep, StopEndsTheProgram) {
  Loaded l;
  EXPECT_THROW(l.w.ClickStop(), ProgramEnded);
  EXPECT_TRUE(l.view.quit);
}

TEST(LogViewText, CapKeepsNewestCharactersAndViewFollows) {
  MemoryView view;
  MainWindow w(view);
  std::string big(MainWindow::kLogCap - 2, 'x');
  w.LogAppend(big);
  w.LogAppend("\xE2\x82\xAC" "123456789");  // a euro sign: three bytes, one character
  w.LogCap();
  EXPECT_EQ(w.log.Chars(), MainWindow::kLogCap);
  EXPECT_EQ(w.LogViewText(), view.log);
  EXPECT_EQ(w.LogViewText().substr(w.LogViewText().size() - 12), "\xE2\x82\xAC" "123456789");
  // Repeated trims keep the model and the view in step and never split a character.
  for (int i = 0; i < 2000; ++i) {
    w.LogAppend("\xC3\xA9\xC3\xA9 line\r\n");
    w.LogCap();
  }
  EXPECT_EQ(w.log.Chars(), MainWindow::kLogCap);
  EXPECT_EQ(w.LogViewText(), view.log);
  EXPECT_NE(static_cast<unsigned char>(w.LogViewText()[0]) & 0xC0, 0x80);
}
