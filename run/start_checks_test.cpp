#include <gtest/gtest.h>

#include <filesystem>

#include "model/main_window.h"
#include "model/memory_view.h"
#include "run/start_checks.h"
#include "sys/fs.h"
#include "test_support.h"

using namespace druvo;
using testing_support::TempDir;
using testing_support::WriteFile;

namespace {

// A host installation: program folder with QMV.EXE and RCX.EXE, database with TRWMIX.DAT.
struct Installation {
  TempDir dir;
  testing_support::CurrentFolderGuard guard;
  std::string prog = dir / "QMV";
  std::string db = dir / "DATA";
  MemoryView view;
  MainWindow w{view};

  Installation() {
    WriteFile(dir / "QMV/QMV.EXE", "stub");
    WriteFile(dir / "QMV/RCX.EXE", "stub");
    WriteFile(dir / "DATA/TRWMIX.DAT", "mix");
    testing_support::SetModified(dir / "DATA/TRWMIX.DAT", 2026, 3, 9, 7, 5);
    w.Load();
    view.SetText(Control::txtKlantId, "4711");
    view.SetText(Control::txtExePath, prog);
    view.SetText(Control::txtDatabasePath, db);
  }

  // Runs the checks and returns whether they passed; a refusal must leave both buttons
  // enabled and never ask the date question.
  bool Check() { return StartChecks(w); }

  void ExpectRefused(const std::string& message, Control focus) {
    std::string before = sys::CurrentFolder();
    EXPECT_FALSE(Check());
    ASSERT_EQ(view.boxes.size(), 1u);
    EXPECT_EQ(view.boxes[0].text, message);
    EXPECT_EQ(view.boxes[0].buttons, Buttons::kOk);
    EXPECT_EQ(view.focus, focus);
    EXPECT_TRUE(view.enableCalls.empty());
    EXPECT_EQ(sys::CurrentFolder(), before);
    EXPECT_EQ(w.outcome, RunOutcome::kRefused);
  }
};

}  // namespace

TEST(StartChecks, RefusesMissingCustomerAndProgramFolder) {
  {
    Installation in;
    const std::string loaded = in.w.sExePath;
    in.view.SetText(Control::txtKlantId, "   ");
    in.view.SetText(Control::txtExtensie, "12");
    in.ExpectRefused("Klantcode is verplicht !", Control::txtKlantId);
    // Settings up to the refusal are stored; later ones are not.
    EXPECT_EQ(in.w.dataFileSuffix, ".D12");
    EXPECT_EQ(in.w.customerNumber, "   ");
    EXPECT_EQ(in.w.sExePath, loaded);  // not taken from the box yet
  }
  {
    Installation in;
    in.view.SetText(Control::txtExePath, " ");
    in.ExpectRefused("Programma folder is verplicht !", Control::txtExePath);
    EXPECT_EQ(in.w.sExePath, " ");
    EXPECT_EQ(in.w.sDBPath, "");  // not taken yet
  }
}

TEST(StartChecks, RefusesFoldersThatDoNotBelongToTheHost) {
  {
    Installation in;
    std::filesystem::remove(in.dir / "QMV/QMV.EXE");
    in.ExpectRefused("Geen goede programma folder; vereist bestand ontbreekt", Control::txtExePath);
  }
  {
    // A folder with the host's name is no host executable.
    Installation in;
    std::filesystem::remove(in.dir / "QMV/QMV.EXE");
    std::filesystem::create_directory(in.dir / "QMV/QMV.EXE");
    in.ExpectRefused("Geen goede programma folder; vereist bestand ontbreekt", Control::txtExePath);
  }
  {
    Installation in;
    std::filesystem::remove(in.dir / "QMV/RCX.EXE");
    in.ExpectRefused(
        "Geen goede programma folder; vereist bestand ontbreekt / in verkeerde folder geinstalleerd",
        Control::txtExePath);
  }
  {
    Installation in;
    std::filesystem::remove(in.dir / "DATA/TRWMIX.DAT");
    in.ExpectRefused("Geen goede database folder; vereist bestand ontbreekt",
                     Control::txtDatabasePath);
    EXPECT_EQ(in.w.sDBPath, in.db);
  }
  {
    // An empty database folder has no test of its own: it is looked for at the drive's root.
    Installation in;
    in.view.SetText(Control::txtDatabasePath, "");
    in.ExpectRefused("Geen goede database folder; vereist bestand ontbreekt",
                     Control::txtDatabasePath);
  }
}

TEST(StartChecks, RefusesAnAdministrationNumberThatCannotStandInAFileName) {
  for (const char* bad : {"*", "?", "A/", "\\", ":", "<", "|", "\"", "\t"}) {
    Installation in;
    in.view.SetText(Control::txtExtensie, bad);
    in.ExpectRefused("Nummer administratie mag geen \\ / : * ? \" < > | bevatten !",
                     Control::txtExtensie);
  }
}

TEST(StartChecks, AcceptsLowerCaseHostFilesAndBlanksAroundTheCustomerNumber) {
  Installation in;
  std::filesystem::rename(in.dir / "QMV/QMV.EXE", in.dir / "QMV/qmv.exe");
  std::filesystem::rename(in.dir / "DATA/TRWMIX.DAT", in.dir / "DATA/trwmix.dat");
  in.view.SetText(Control::txtKlantId, " 12 ");
  in.view.SetText(Control::txtExtensie, "");
  EXPECT_TRUE(in.Check());
  EXPECT_EQ(in.w.customerNumber, " 12 ");
  EXPECT_EQ(in.w.dataFileSuffix, ".D");
}

TEST(StartChecks, DateQuestionCancelAndOk) {
  Installation in;
  in.view.answers = {Answer::kCancel};
  std::string before = sys::CurrentFolder();
  EXPECT_FALSE(in.Check());
  ASSERT_EQ(in.view.boxes.size(), 1u);
  EXPECT_EQ(in.view.boxes[0].text, "Database laatst gewijzigd op 09-03-2026 07:05 Is dit correct ?");
  EXPECT_EQ(in.view.boxes[0].buttons, Buttons::kOkCancel);
  EXPECT_TRUE(in.view.enableCalls.empty());
  EXPECT_EQ(sys::CurrentFolder(), before);
  EXPECT_EQ(in.w.outcome, RunOutcome::kNotConfirmed);

  in.view.answers = {Answer::kOk};
  EXPECT_TRUE(in.Check());
  // Stop first, then Start; the folder boxes and their browse buttons with them.
  ASSERT_EQ(in.view.enableCalls.size(), 6u);
  EXPECT_EQ(in.view.enableCalls[0], std::make_pair(Control::btnCancel, false));
  EXPECT_EQ(in.view.enableCalls[1], std::make_pair(Control::btnStart, false));
  for (Control c : {Control::txtExePath, Control::txtDatabasePath, Control::btnBrowseProg,
                    Control::btnBrowseData})
    EXPECT_FALSE(in.view.IsEnabled(c));
  EXPECT_TRUE(std::filesystem::equivalent(sys::CurrentFolder(), in.db));
  EXPECT_EQ(in.w.directionDigits, "13");

  in.view.option1 = false;
  EXPECT_TRUE(in.Check());
  EXPECT_EQ(in.w.directionDigits, "10");
}

TEST(StartChecks, RelativeFoldersAreMadeFullFromTheWorkingFolderOfThatMoment) {
  namespace fs = std::filesystem;
  {
    Installation in;
    ASSERT_TRUE(sys::SetCurrentFolder(in.prog));
    in.view.SetText(Control::txtExePath, ".");
    in.view.SetText(Control::txtDatabasePath, "..\\DATA");
    EXPECT_TRUE(in.Check());
    EXPECT_TRUE(fs::equivalent(in.view.Text(Control::txtExePath), in.prog));
    EXPECT_TRUE(fs::equivalent(in.view.Text(Control::txtDatabasePath), in.db));
    EXPECT_EQ(in.w.sExePath, in.view.Text(Control::txtExePath));
    EXPECT_EQ(in.w.sDBPath, in.view.Text(Control::txtDatabasePath));
    EXPECT_TRUE(fs::equivalent(sys::CurrentFolder(), in.db));
  }
  {
    // Drive-relative: the folder DATA in the current folder of that drive.
    Installation in;
    ASSERT_TRUE(sys::SetCurrentFolder(in.dir.path()));
    const std::string cwd = sys::CurrentFolder();
    const char drive = cwd.size() >= 2 && cwd[1] == ':' ? cwd[0] : 'D';
    in.view.SetText(Control::txtExePath, "QMV");
    in.view.SetText(Control::txtDatabasePath, std::string(1, drive) + ":DATA");
    EXPECT_TRUE(in.Check());
    EXPECT_TRUE(fs::equivalent(in.w.sExePath, in.prog));
    EXPECT_TRUE(fs::equivalent(in.w.sDBPath, in.db));
  }
  {
    // A drive alone is its root, not the folder current on that drive (here the database
    // folder itself, which would pass).
    Installation in;
    ASSERT_TRUE(sys::SetCurrentFolder(in.db));
    const std::string cwd = sys::CurrentFolder();
    const std::string drive = std::string(1, cwd.size() >= 2 && cwd[1] == ':' ? cwd[0] : 'D') + ":";
    in.view.SetText(Control::txtDatabasePath, drive);
    EXPECT_FALSE(in.Check());
    EXPECT_EQ(in.view.Text(Control::txtDatabasePath), drive + "\\");
  }
  {
    // A full path is kept exactly as typed, a trailing separator included.
    Installation in;
    in.view.SetText(Control::txtDatabasePath, in.db + "\\");
    EXPECT_TRUE(in.Check());
    EXPECT_EQ(in.view.Text(Control::txtDatabasePath), in.db + "\\");
    EXPECT_EQ(in.w.sExePath, in.prog);
  }
}
