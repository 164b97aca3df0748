#include <gtest/gtest.h>

#include <filesystem>

#include "own_files_test_util.h"
#include "sys/fs.h"
#include "tools/probe.h"

using testing_support::ReadFile;
using testing_support::WriteFile;

// A folder at one of DRUVO's own names refuses every command before anything is touched.
TEST(OwnFiles, AFolderAtAnOwnNameRefusesStartRestoreAndCheck) {
  testing_support::RunFixture f;
  for (const char* name : {"DRUVO.LCK", "DRUVO.JNL", "DRUVO.REC"}) {
    std::filesystem::create_directory(f.Db(name));
    ownfilestest::ExpectEveryCommandRefused(f, name, "een map");
    std::filesystem::remove(f.Db(name));
  }
}

// A link at any file DRUVO writes is never written through, also where the system shows it as
// a plain file (a Unix link under Wine). At DRUVO.LCK, DRUVO.JNL or DRUVO.REC every command is
// refused at once. At DRUVO.Log (replaced by each Start), DRUVO-restore.Log (added to) or the
// utility's rcx.log (emptied by the probe) the Start still converts and says it cannot write
// its run log (exit code 6), the restore says so of its log, and the probe leaves rcx.log be.
TEST(OwnFiles, ALinkAtAFileDruvoWritesIsNeverWrittenThrough) {
  testing_support::RunFixture f;
  const std::string target = f.dir / "target";
  WriteFile(target, "not DRUVO's\n");
  for (const std::string& at : {f.Prog("DRUVO.Log"), f.Prog(druvo::kRestoreLogName), f.Db("rcx.log")})
    if (!testing_support::MakeSymbolicLink(target, at)) GTEST_SKIP() << "no symbolic link can be made here";

  // The probe on its own, with no utility to run: that would write rcx.log itself.
  ASSERT_TRUE(sys::SetCurrentFolder(f.db));
  f.view.SetText(druvo::Control::txtExePath, f.Db("nowhere"));
  druvo::ProbeConversionUtility(f.w, f.w.services, f.w.catalogue, f.w.view.Text(druvo::Control::txtExePath), ".DAT");
  f.view.SetText(druvo::Control::txtExePath, f.prog);
  testing_support::RemoveSymbolicLink(f.Db("rcx.log"));

  f.Start();
  EXPECT_EQ(f.w.outcome, druvo::RunOutcome::kRunLogFailed);
  EXPECT_NE(f.w.LogViewText().find("DRUVO.Log niet schrijven: is een symbolische koppeling"), std::string::npos);
  EXPECT_NE(f.w.LogViewText().find("Omgezet: 32 van 32"), std::string::npos) << f.w.LogViewText();
  testing_support::NextStart restore(f);
  EXPECT_EQ(druvo::RestoreConversion(restore.w), druvo::RestoreResult::kRestored);
  EXPECT_NE(restore.w.LogViewText().find(std::string(druvo::kRestoreLogName) + " niet schrijven: is een symbolische"),
            std::string::npos);

  for (const std::string& at : {f.Prog("DRUVO.Log"), f.Prog(druvo::kRestoreLogName)})
    testing_support::RemoveSymbolicLink(at);
  for (const char* name : {"DRUVO.LCK", "DRUVO.JNL", "DRUVO.REC"}) {
    std::filesystem::remove(f.Db(name));  // the run's own
    ASSERT_TRUE(testing_support::MakeSymbolicLink(target, f.Db(name)));
    ownfilestest::ExpectEveryCommandRefused(f, name, "een symbolische koppeling");
    testing_support::RemoveSymbolicLink(f.Db(name));
  }
  EXPECT_EQ(ReadFile(target), "not DRUVO's\n");
}
