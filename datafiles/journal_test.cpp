#include "datafiles/journal.h"
#include "datafiles/record.h"

#include <gtest/gtest.h>

#include <filesystem>

#include "model/catalogue.h"
#include "model/main_window.h"
#include "model/memory_view.h"
#include "sys/fs.h"
#include "test_support.h"

namespace druvo {
namespace {

namespace fs = std::filesystem;
using testing_support::Exists;
using testing_support::ReadFile;
using testing_support::TempDir;
using testing_support::WriteFile;

constexpr PlanFolder D = PlanFolder::kDatabase;
constexpr PlanFolder P = PlanFolder::kProgram;

TEST(Journal, NamesOnlyFilesOfTheInstallation) {
  FileCatalogue c;
  LoadFileCatalogue(c);
  struct Case {
    PlanFolder folder;
    const char* name;
    bool allowed;
  };
  const Case cases[] = {
      {D, "QWIMAPD.DAT", true},           {D, "qwimapd.dab", true},
      {D, "QWIMAPD.13", true},            {D, "QWIMAPD.10_9999", true},
      {D, "QMVWORK\\QWOMISWT.dat", true}, {D, "qmvwork\\QWOMISWT.13_2", true},
      {P, "LMPR10.EXE", true},            {P, "lmpr.exe", true},
      {D, "/tmp/v/a.txt", false},         {D, "..\\..\\v\\b.txt", false},
      {D, "C:\\QMV\\QWIMAPD.DAT", false}, {D, "D:QWIMAPD.DAT", false},
      {D, "\\QWIMAPD.DAT", false},        {D, "QWIMAPD.DAT:stroom", false},
      {D, "DRUVO.LCK", false},            {D, "DRUVO.REC", false},
      {D, "DRUVO.JNL", false},            {D, "OLD.LCK", false},
      {D, "TRWMIX.DAT", false},           {D, "QWOMISWT.DAT", false},  // a work folder entry
      {D, "QMVWORK\\QWIMAPD.DAT", false}, {D, "QMVWORK\\..\\QWIMAPD.DAT", false},
      {D, "QMVWORK\\QMVWORK\\QWOMISWT.dat", false},
      {D, "QWIMAPD.13_0", false},         {D, "QWIMAPD.13_01", false},
      {D, "QWIMAPD.13_10000", false},     {D, "QWIMAPD.DA*", false},
      {D, "QWIMAPD.DATX", false},         {D, "LMPR.EXE", false},
      {P, "QMV.EXE", false},              {P, "..\\LMPR.EXE", false},
      {P, "QWIMAPD.DAT", false},
  };
  for (const Case& k : cases)
    EXPECT_EQ(NameInInstallation(c, k.folder, k.name), k.allowed) << k.name;
}

TEST(Journal, EncodedAndReadBackWithItsEntries) {
  const RenamePlan plan = {
      {{{D, "QWIMAPD.DAT", "QWIMAPD.13_1"}, {D, "QWIMAPD.13", "QWIMAPD.DAT"}},
       {RecordNote::Kind::kRestored, "13", "QWIMAPD.DAT"}},
      {{{D, "QMVWORK\\QWOMISWT.13", "QMVWORK\\QWOMISWT.13_1"}}},
      {{{P, "LMPR.EXE", "LMPR13.EXE"}, {P, "LMPR10.EXE", "LMPR.EXE"}}, {RecordNote::Kind::kLabelToolBack, "10", ""}},
      {{{D, "a%b\tc", "d\ne"}}, {RecordNote::Kind::kRestored, "13", "a%b\tc"}},
  };
  const std::string text = EncodeJournal(plan);
  RenamePlan back;
  ASSERT_TRUE(ParseJournal(text, back));
  EXPECT_EQ(back, plan);
  // Torn anywhere, it is not read: the END line comes last.
  for (std::size_t cut = 0; cut < text.size(); ++cut) EXPECT_FALSE(ParseJournal(text.substr(0, cut), back)) << cut;

  // The versions before: entries without notes; one rename per line, the label tool by full path.
  const std::string v2 = "DRUVO rename plan 2\nE\nD\tQWIMAPD.DAT\tQWIMAPD.13_1\nD\tQWIMAPD.13\tQWIMAPD.DAT\nEND 2\n";
  ASSERT_TRUE(ParseJournal(v2, back));
  EXPECT_EQ(back, (RenamePlan{{{{D, "QWIMAPD.DAT", "QWIMAPD.13_1"}, {D, "QWIMAPD.13", "QWIMAPD.DAT"}}}}));
  EXPECT_FALSE(ParseJournal(v2.substr(0, v2.find("END")) + "R\t13\tQWIMAPD.DAT\nEND 2\n", back));
  const std::string v1 =
      "DRUVO rename plan 1\nQWIMAPD.DAT\tQWIMAPD.13_1\nC:\\QMV\\LMPR.EXE\tC:\\QMV\\LMPR13.EXE\nEND 2\n";
  ASSERT_TRUE(ParseJournal(v1, back, "c:\\qmv\\"));
  EXPECT_EQ(back, (RenamePlan{{{{D, "QWIMAPD.DAT", "QWIMAPD.13_1"}}}, {{{P, "LMPR.EXE", "LMPR13.EXE"}}}}));
}

// A journal that names anything outside the installation is never carried out: it is set
// aside, and the Start refuses with a message that names it. A torn one (no END line: none of
// its renames had begun) is set aside too, never removed, for it may be no journal of DRUVO's
// (Wine shows a Unix link as the file it points to); the Start goes on.
TEST(Journal, AForeignOrTornJournalIsSetAsideAndNothingIsRenamed) {
  const std::string lines[] = {
      "D\t/tmp/v/a.txt\tQWIMAPD.DAT",
      "D\t..\\..\\v\\b.txt\tQWIMAPD.DAT",
      "D\tQWIMAPD.13\tC:QWIMAPD.DAT",
      "D\tQWIMAPD.13\tQWIMAPD.DAT:stroom",
      "D\tDRUVO.LCK\tOLD.LCK",
      "D\tTRWMIX.DAT\tQWIMAPD.13_1",
      "P\tQMV.EXE\tLMPR.EXE",
      "D\tQMVWORK\\QWIMAPD.13\tQWIMAPD.DAT",
      // A note for the record that does not fit its entry: another file, not a data file.
      "D\tQWIMAPD.13\tQWIMAPD.DAT\nR\t13\tQWAOMVSQ.DAT",
      "D\tQWIMAPD.DAT\tQWIMAPD.13_1\nR\t13\tQWIMAPD.13_1",
      "",  // torn
  };
  for (const std::string& line : lines) {
    SCOPED_TRACE(line);
    TempDir dir;
    testing_support::CurrentFolderGuard guard;
    MemoryView view;
    MainWindow w(view);
    LoadFileCatalogue(w.catalogue);
    w.sDBPath = dir / "DATA";
    w.sExePath = dir / "QMV";
    for (const char* f : {"DATA/QWIMAPD.13", "DATA/QWAOMVSQ.13", "DATA/TRWMIX.DAT", "DATA/DRUVO.LCK",
                          "DATA/QMVWORK/QWIMAPD.13", "QMV/QMV.EXE"})
      WriteFile(dir / f, f);
    // A whole entry the plan may hold comes first: it is not carried out either.
    const bool torn = line.empty();
    const std::string journal = "DRUVO rename plan 3\nE\nD\tQWAOMVSQ.13\tQWAOMVSQ.DAT\nE\n" +
                                (torn ? "D\tQWIMAPD.13\tQWIM" : line + "\nEND 2\n");
    WriteFile(dir / "DATA/DRUVO.JNL", journal);

    const FinishResult r = FinishUnfinishedPlan(w.Settings(), w, w.services);
    EXPECT_EQ(r.ok, torn);
    EXPECT_EQ(r.foreign, !torn);
    EXPECT_NE((torn ? w.LogViewText() : r.why).find("DRUVO.JNL_1"), std::string::npos) << r.why;
    EXPECT_FALSE(Exists(dir / "DATA/DRUVO.JNL"));
    EXPECT_EQ(ReadFile(dir / "DATA/DRUVO.JNL_1"), journal);
    for (const char* f : {"DATA/QWIMAPD.13", "DATA/QWAOMVSQ.13", "DATA/TRWMIX.DAT", "DATA/DRUVO.LCK",
                          "DATA/QMVWORK/QWIMAPD.13", "QMV/QMV.EXE"})
      EXPECT_EQ(ReadFile(dir / f), f);
    EXPECT_FALSE(Exists(dir / "DATA/QWIMAPD.DAT"));
    EXPECT_FALSE(Exists(dir / "DATA/QWAOMVSQ.DAT"));
  }
}

// A restore the version before wrote (no notes) and a crash interrupted: finished now, its
// entries begin their history anew, as a restore of this version would note.
TEST(Journal, AnEarlierVersionsRestoreFinishedBeginsTheFileAnew) {
  TempDir dir;
  testing_support::CurrentFolderGuard guard;
  MemoryView view;
  MainWindow w(view);
  LoadFileCatalogue(w.catalogue);
  w.sDBPath = dir.path();
  w.sExePath = dir.path();
  WriteFile(dir / "QWIMAPD.13_1", "converted");  // the first rename was made
  WriteFile(dir / "QWIMAPD.13", "original");
  ASSERT_TRUE(AppendRecord(dir.path(), "13", "QWIMAPD.DAT", *FingerprintOf(dir / "QWIMAPD.13")));
  WriteFile(dir / "DRUVO.JNL",
            "DRUVO rename plan 2\nE\nD\tQWIMAPD.DAT\tQWIMAPD.13_1\nD\tQWIMAPD.13\tQWIMAPD.DAT\nEND 2\n");
  const FinishResult r = FinishUnfinishedPlan(w.Settings(), w, w.services);
  ASSERT_TRUE(r.ok);
  ASSERT_EQ(r.noted.size(), 1u);
  EXPECT_EQ(r.noted[0], (RecordNote{RecordNote::Kind::kRestored, "13", "QWIMAPD.DAT"}));
  EXPECT_EQ(ReadFile(dir / "QWIMAPD.DAT"), "original");
  const FileRecord record = FileRecord::Load(dir.path());
  EXPECT_TRUE(record.Knows("13", "QWIMAPD.DAT"));
  EXPECT_FALSE(record.Earliest("13", "QWIMAPD.DAT"));
}

}  // namespace
}  // namespace druvo
