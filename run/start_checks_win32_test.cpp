#include <windows.h>

#include <gtest/gtest.h>

#include "model/main_window.h"
#include "model/memory_view.h"
#include "run/start_checks.h"
#include "sys/wide_win32.h"
#include "test_support.h"

using namespace druvo;
using testing_support::TempDir;
using testing_support::WriteFile;

// A hidden or system file is not a plain file: it does not prove a host folder.
TEST(StartChecks, HiddenOrSystemHostFilesDoNotCount) {
  for (DWORD attribute : {FILE_ATTRIBUTE_HIDDEN, FILE_ATTRIBUTE_SYSTEM}) {
    TempDir dir;
    testing_support::CurrentFolderGuard guard;
    WriteFile(dir / "QMV/QMV.EXE", "stub");
    WriteFile(dir / "QMV/RCX.EXE", "stub");
    WriteFile(dir / "DATA/TRWMIX.DAT", "mix");
    ASSERT_TRUE(SetFileAttributesW(sys::Widen(dir / "QMV/QMV.EXE").c_str(), attribute));
    MemoryView view;
    MainWindow w(view);
    w.Load();
    view.SetText(Control::txtKlantId, "1");
    view.SetText(Control::txtExePath, dir / "QMV");
    view.SetText(Control::txtDatabasePath, dir / "DATA");
    EXPECT_FALSE(StartChecks(w));
    ASSERT_EQ(view.boxes.size(), 1u);
    EXPECT_EQ(view.boxes[0].text, "Geen goede programma folder; vereist bestand ontbreekt");
    EXPECT_EQ(view.focus, Control::txtExePath);
    EXPECT_TRUE(view.enableCalls.empty());
  }
}
