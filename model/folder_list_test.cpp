#include "model/folder_list.h"

#include <gtest/gtest.h>

#include <algorithm>
#include <map>
#include <set>
#include <string>
#include <vector>

#include "sys/fs.h"
#include "test_support.h"

using namespace druvo;

namespace {

std::string Lines(const std::vector<FolderEntry>& entries) {
  std::string out;
  for (const auto& e : entries)
    out += std::string(static_cast<std::size_t>(e.level), ' ') + e.name + (e.opened ? "*" : "") +
           "=" + e.path + "\n";
  return out;
}

// A machine of Windows folders in memory: drives with a current folder each, and drives
// that cannot be read.
struct FakeMachine {
  std::set<std::string> folders;               // upper-cased full paths
  std::map<std::string, std::string> current;  // drive -> current folder

  static std::string Key(std::string p) {
    std::transform(p.begin(), p.end(), p.begin(), [](unsigned char c) { return std::toupper(c); });
    while (p.size() > 3 && p.back() == '\\') p.pop_back();
    return p;
  }
  void Add(const std::string& path) { folders.insert(Key(path)); }

  FolderPlatform Platform() {
    FolderPlatform p;
    p.folderExists = [this](const std::string& f) { return folders.count(Key(f)) > 0; };
    p.listFolders = [this](const std::string& f) {
      std::vector<std::string> names;
      std::string prefix = Key(f);
      if (prefix.back() != '\\') prefix += '\\';
      for (const auto& k : folders)
        if (k.size() > prefix.size() && k.compare(0, prefix.size(), prefix) == 0 &&
            k.find('\\', prefix.size()) == std::string::npos)
          names.push_back(k.substr(prefix.size()));
      return names;
    };
    p.currentFolderOn = [this](const std::string& d) {
      auto it = current.find(d);
      return it == current.end() ? d + "\\" : it->second;
    };
    p.fullPath = [](const std::string& f) { return f; };
    return p;
  }
};

}  // namespace

TEST(FolderList, DriveOfAPath) {
  EXPECT_EQ(DriveOf("c:\\qmv"), "C:");
  EXPECT_EQ(DriveOf("D:"), "D:");
  EXPECT_EQ(DriveOf(""), "");
  EXPECT_EQ(DriveOf("\\\\server\\share"), "");
  EXPECT_EQ(DriveOf("/tmp"), "");
  EXPECT_EQ(DriveOf("1:\\"), "");
  EXPECT_EQ(DriveOf("C"), "");
}

TEST(FolderList, ChainOfParentsThenSubfoldersOneLevelDeeper) {
  EXPECT_EQ(Lines(FolderEntries("C:\\QMV\\DATA", {"2023", "2024"})),
            "C:\\*=C:\\\n"
            " QMV*=C:\\QMV\n"
            "  DATA*=C:\\QMV\\DATA\n"
            "   2023=C:\\QMV\\DATA\\2023\n"
            "   2024=C:\\QMV\\DATA\\2024\n");
  // Trailing and doubled separators do not make empty lines.
  EXPECT_EQ(Lines(FolderEntries("C:\\QMV\\\\DATA\\", {})),
            Lines(FolderEntries("C:\\QMV\\DATA", {})));
  EXPECT_EQ(Lines(FolderEntries("C:\\", {"QMV"})), "C:\\*=C:\\\n QMV=C:\\QMV\n");
  EXPECT_EQ(Lines(FolderEntries("C:", {"QMV"})), "C:\\*=C:\\\n QMV=C:\\QMV\n");
  EXPECT_EQ(Lines(FolderEntries("\\\\server\\share\\qmv", {"x"})),
            "\\\\server\\share\\*=\\\\server\\share\\\n"
            " qmv*=\\\\server\\share\\qmv\n"
            "  x=\\\\server\\share\\qmv\\x\n");
  EXPECT_EQ(Lines(FolderEntries("/tmp/a", {"b"})),
            "/*=/\n tmp*=/tmp\n  a*=/tmp/a\n   b=/tmp/a/b\n");
}

TEST(FolderList, OpeningLinesMovesUpAndDown) {
  FakeMachine m;
  for (const char* f : {"C:\\", "C:\\QMV", "C:\\QMV\\DATA", "C:\\QMV\\DATA\\2024", "C:\\TEMP"})
    m.Add(f);
  FolderSelection sel(m.Platform(), "C:\\QMV\\DATA");
  EXPECT_EQ(sel.folder(), "C:\\QMV\\DATA");
  EXPECT_EQ(sel.drive(), "C:");
  EXPECT_EQ(sel.openIndex(), 2u);
  ASSERT_EQ(sel.entries().size(), 4u);

  EXPECT_TRUE(sel.Open(3));  // the subfolder 2024
  EXPECT_EQ(sel.folder(), "C:\\QMV\\DATA\\2024");
  EXPECT_EQ(sel.openIndex(), 3u);
  EXPECT_TRUE(sel.Open(0));  // the root
  EXPECT_EQ(sel.folder(), "C:\\");
  EXPECT_EQ(Lines(sel.entries()), "C:\\*=C:\\\n QMV=C:\\QMV\n TEMP=C:\\TEMP\n");
  EXPECT_FALSE(sel.Open(3));  // no such line
  EXPECT_EQ(sel.folder(), "C:\\");

  // A folder removed after the list was read: stays, and the list is read again.
  m.folders.erase("C:\\TEMP");
  EXPECT_FALSE(sel.Open(2));
  EXPECT_EQ(sel.folder(), "C:\\");
  EXPECT_EQ(Lines(sel.entries()), "C:\\*=C:\\\n QMV=C:\\QMV\n");
}

TEST(FolderList, DriveChangeOpensTheDrivesCurrentFolder) {
  FakeMachine m;
  for (const char* f : {"C:\\", "C:\\QMV", "D:\\", "D:\\WORK", "D:\\WORK\\X"}) m.Add(f);
  m.current["D:"] = "D:\\WORK";
  FolderSelection sel(m.Platform(), "C:\\QMV");

  EXPECT_TRUE(sel.SetDrive("C:"));  // the same drive: the list does not move
  EXPECT_EQ(sel.folder(), "C:\\QMV");
  EXPECT_TRUE(sel.SetDrive("d:\\anything"));
  EXPECT_EQ(sel.drive(), "D:");
  EXPECT_EQ(sel.folder(), "D:\\WORK");
  EXPECT_EQ(sel.entries().back().path, "D:\\WORK\\X");
}

TEST(FolderList, UnreadableDriveKeepsBothListsWhereTheyWere) {
  FakeMachine m;
  for (const char* f : {"C:\\", "C:\\QMV"}) m.Add(f);
  FolderSelection sel(m.Platform(), "C:\\QMV");
  const std::string before = Lines(sel.entries());
  EXPECT_FALSE(sel.SetDrive("A:"));  // no medium: A:\ cannot be read
  EXPECT_FALSE(sel.SetDrive(""));
  EXPECT_FALSE(sel.SetDrive("\\\\server\\share"));
  EXPECT_EQ(sel.drive(), "C:");
  EXPECT_EQ(sel.folder(), "C:\\QMV");
  EXPECT_EQ(Lines(sel.entries()), before);
}

TEST(FolderList, SetFolderRefusesEmptyAndMissingFolders) {
  FakeMachine m;
  for (const char* f : {"C:\\", "C:\\QMV", "E:\\", "E:\\DATA"}) m.Add(f);
  FolderSelection sel(m.Platform(), "C:\\QMV");
  EXPECT_FALSE(sel.SetFolder(""));
  EXPECT_FALSE(sel.SetFolder("   "));
  EXPECT_FALSE(sel.SetFolder("C:\\GONE"));
  EXPECT_EQ(sel.folder(), "C:\\QMV");
  // Another drive's folder: the drive list follows, so the two stay in step.
  EXPECT_TRUE(sel.SetFolder("E:\\DATA\\"));
  EXPECT_EQ(sel.folder(), "E:\\DATA");
  EXPECT_EQ(sel.drive(), "E:");
}

TEST(FolderList, RealFoldersOfTheMachine) {
  testing_support::TempDir dir;
  sys::MakeFolder(dir / "b");
  sys::MakeFolder(dir / "A");
  sys::MakeFolder(dir / "A/inner");
  testing_support::WriteFile(dir / "file.txt", "not a folder");
  FolderSelection sel(RealFolderPlatform(), dir.path());
  const std::vector<FolderEntry> e = sel.entries();
  const std::string start = sel.folder();
  ASSERT_GE(e.size(), 3u);
  EXPECT_EQ(e[sel.openIndex()].path, sel.folder());
  ASSERT_EQ(e.size() - sel.openIndex() - 1, 2u) << Lines(e);  // the file is no line
  EXPECT_EQ(e[e.size() - 2].name, "A");
  EXPECT_EQ(e.back().name, "b");
  EXPECT_TRUE(sel.Open(e.size() - 2));
  EXPECT_TRUE(sys::FolderExists(sel.folder()));
  EXPECT_EQ(sel.entries().back().name, "inner");
  EXPECT_TRUE(sel.Open(sel.openIndex() - 1));  // back to the temporary folder
  EXPECT_EQ(sel.folder(), start);
  EXPECT_EQ(Lines(sel.entries()), Lines(e));
}
