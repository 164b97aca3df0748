#include <gtest/gtest.h>

#include <memory>
#include <optional>
#include <string>
#include <vector>

#include "model/browse.h"
#include "model/folder_dialog.h"
#include "model/main_window.h"
#include "model/memory_view.h"

using namespace druvo;

namespace {

// What the scripted dialog was told, and how the user leaves it.
struct Script {
  bool driveReadable = true;
  bool folderExists = true;
  std::optional<std::string> okWith;  // OK with this folder; nothing: Annuleren or title bar

  int created = 0;
  std::vector<std::string> calls;  // in order: "title X", "drive X", "folder X", "show"
  std::string pathNameAtShow = "unset";
  int eventsAtShow = -1;
};

class ScriptedDialog : public FolderDialog {
 public:
  ScriptedDialog(Script& s, MemoryView& v) : s_(s), v_(v) {}
  void SetTitle(const std::string& title) override { s_.calls.push_back("title " + title); }
  bool SetDrive(const std::string& drive) override {
    s_.calls.push_back("drive " + drive);
    return s_.driveReadable && !drive.empty();
  }
  bool SetFolder(const std::string& folder) override {
    s_.calls.push_back("folder " + folder);
    return s_.folderExists && !folder.empty();
  }
  void ShowModal(std::string& sPathName) override {
    s_.calls.push_back("show");
    s_.pathNameAtShow = sPathName;
    s_.eventsAtShow = v_.events;
    if (s_.okWith) sPathName = *s_.okWith;
  }

 private:
  Script& s_;
  MemoryView& v_;
};

struct Window {
  Script script;
  MemoryView view;
  MainWindow w{view, Services{}};

  Window() {
    w.services.newFolderDialog = [this] {
      ++script.created;
      return std::make_unique<ScriptedDialog>(script, view);
    };
    // As after load: the variables and the boxes agree.
    w.sExePath = "C:\\QMV";
    w.sDBPath = "D:\\QMVDATA";
    view.SetText(Control::txtExePath, w.sExePath);
    view.SetText(Control::txtDatabasePath, w.sDBPath);
  }
};

}  // namespace

TEST(Browse, DialogStartsAtTheRowsVariableWithItsTitle) {
  Window t;
  // Typed but not taken over by Start: must not move the dialog.
  t.view.SetText(Control::txtExePath, "E:\\getypt");
  t.view.SetText(Control::txtDatabasePath, "F:\\ook getypt");

  BrowseForFolder(t.w, true);
  EXPECT_EQ(t.script.calls, (std::vector<std::string>{"title Selecteer programma folder",
                                                      "drive C:", "folder C:\\QMV", "show"}));
  t.script.calls.clear();
  BrowseForFolder(t.w, false);
  EXPECT_EQ(t.script.calls, (std::vector<std::string>{"title Selecteer database folder",
                                                      "drive D:", "folder D:\\QMVDATA", "show"}));
  EXPECT_EQ(t.script.created, 2);  // a fresh dialog for every showing
}

TEST(Browse, OkReplacesTheRowsBoxAndVariableOnly) {
  Window t;
  t.view.SetText(Control::txtDatabasePath, "typed");
  t.script.okWith = "D:\\DATA\\2024";
  const int eventsBefore = t.view.events;
  BrowseForFolder(t.w, false);
  EXPECT_EQ(t.view.Text(Control::txtDatabasePath), "D:\\DATA\\2024");
  EXPECT_EQ(t.w.sDBPath, "D:\\DATA\\2024");
  EXPECT_EQ(t.w.sPathName, "D:\\DATA\\2024");
  EXPECT_EQ(t.view.Text(Control::txtExePath), "C:\\QMV");
  EXPECT_EQ(t.w.sExePath, "C:\\QMV");
  // The pending events run once, after the dialog and before the result is used.
  EXPECT_EQ(t.script.eventsAtShow, eventsBefore);
  EXPECT_EQ(t.view.events, eventsBefore + 1);

  t.script.okWith = "C:\\Programma's\\QMV 2";
  BrowseForFolder(t.w, true);
  EXPECT_EQ(t.view.Text(Control::txtExePath), "C:\\Programma's\\QMV 2");
  EXPECT_EQ(t.w.sExePath, "C:\\Programma's\\QMV 2");
  EXPECT_EQ(t.w.sDBPath, "D:\\DATA\\2024");
}

TEST(Browse, AnnulerenOrTitleBarChangesNothingEvenAfterAnEarlierChoice) {
  Window t;
  t.script.okWith = "D:\\DATA\\2024";
  BrowseForFolder(t.w, false);

  // Leaving without OK: sPathName must be emptied at every click, or the earlier choice
  // would land in the program-folder row.
  t.script.okWith.reset();
  t.view.SetText(Control::txtExePath, "typed, not taken");
  BrowseForFolder(t.w, true);
  EXPECT_EQ(t.script.pathNameAtShow, "");
  EXPECT_EQ(t.w.sPathName, "");
  EXPECT_EQ(t.view.Text(Control::txtExePath), "typed, not taken");
  EXPECT_EQ(t.w.sExePath, "C:\\QMV");
  EXPECT_EQ(t.w.sDBPath, "D:\\DATA\\2024");
}

TEST(Browse, FailingDriveOrFolderIsPassedOverSilently) {
  Window t;
  t.script.driveReadable = false;
  t.script.folderExists = false;
  t.script.okWith = "C:\\";
  BrowseForFolder(t.w, false);
  EXPECT_EQ(t.script.calls.back(), "show");
  EXPECT_TRUE(t.view.boxes.empty());
  EXPECT_EQ(t.w.sDBPath, "C:\\");

  // No QMVDIR and nothing chosen: no drive to set, the dialog still opens.
  Window empty;
  empty.w.sDBPath.clear();
  BrowseForFolder(empty.w, false);
  EXPECT_EQ(empty.script.calls, (std::vector<std::string>{"title Selecteer database folder",
                                                          "drive ", "folder ", "show"}));
  EXPECT_TRUE(empty.view.boxes.empty());
}

TEST(Browse, NetworkStartFolderHasNoDrive) {
  Window t;
  t.w.sDBPath = "\\\\server\\qmv";
  BrowseForFolder(t.w, false);
  EXPECT_EQ(t.script.calls[1], "drive ");
  EXPECT_EQ(t.script.calls[2], "folder \\\\server\\qmv");
}

TEST(Browse, WithoutADialogNothingHappens) {
  MemoryView view;
  MainWindow w{view, Services{}};
  w.sPathName = "left over";
  view.SetText(Control::txtExePath, "C:\\QMV");
  BrowseForFolder(w, true);  // no factory
  w.services.newFolderDialog = [] { return std::unique_ptr<FolderDialog>(); };
  BrowseForFolder(w, false);  // a factory that makes none
  EXPECT_EQ(w.sPathName, "");
  EXPECT_EQ(view.Text(Control::txtExePath), "C:\\QMV");
  EXPECT_EQ(view.events, 0);
}
