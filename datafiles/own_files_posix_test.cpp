#include <gtest/gtest.h>
#include <sys/stat.h>
#include <unistd.h>

#include "datafiles/own_files_test_util.h"
#include "sys/fs.h"
#include "tools/probe.h"

using testing_support::ReadFile;
using testing_support::WriteFile;

// A link (to a file, or dangling) or a FIFO at one of DRUVO's own names refuses every command
// at once: nothing is followed, made at a link's target, or waited on.
TEST(OwnFiles, ALinkOrFifoAtAnOwnNameRefusesStartRestoreAndCheck) {
  testing_support::RunFixture f;
  const std::string target = f.dir / "target";
  WriteFile(target, "not DRUVO's\n");
  const std::string dangling = f.dir / "made";
  for (const char* name : {"DRUVO.LCK", "DRUVO.JNL", "DRUVO.REC"}) {
    const std::string at = f.Db(name);
    ASSERT_EQ(symlink(target.c_str(), at.c_str()), 0);
    ownfilestest::ExpectEveryCommandRefused(f, name, "een symbolische koppeling");
    ASSERT_EQ(unlink(at.c_str()), 0);
    ASSERT_EQ(symlink(dangling.c_str(), at.c_str()), 0);
    ownfilestest::ExpectEveryCommandRefused(f, name, "een symbolische koppeling");
    ASSERT_EQ(unlink(at.c_str()), 0);
    ASSERT_EQ(mkfifo(at.c_str(), 0666), 0);
    ownfilestest::ExpectEveryCommandRefused(f, name, "een pipe (FIFO)");
    ASSERT_EQ(unlink(at.c_str()), 0);
  }
  EXPECT_EQ(ReadFile(target), "not DRUVO's\n");
  EXPECT_FALSE(testing_support::Exists(dangling));
}

// The files DRUVO writes outside its own three: a link at DRUVO.Log (replaced by each Start),
// at DRUVO-restore.Log (added to) or at the utility's rcx.log (emptied by the probe) is never
// written through. The Start still converts and says it cannot write its run log; the restore
// says so of its log.
TEST(OwnFiles, ALinkAtALogIsNeverWrittenThrough) {
  testing_support::RunFixture f;
  const std::string target = f.dir / "target";
  WriteFile(target, "not DRUVO's\n");
  for (const std::string& at : {f.Prog("DRUVO.Log"), f.Prog(druvo::kRestoreLogName), f.Db("rcx.log")})
    ASSERT_EQ(symlink(target.c_str(), at.c_str()), 0);

  // The probe on its own, with no utility to run: that would write rcx.log itself.
  ASSERT_TRUE(sys::SetCurrentFolder(f.db));
  f.view.SetText(druvo::Control::txtExePath, f.Db("nowhere"));
  druvo::ProbeConversionUtility(f.w, ".DAT");
  f.view.SetText(druvo::Control::txtExePath, f.prog);
  ASSERT_EQ(unlink(f.Db("rcx.log").c_str()), 0);

  f.Start();
  EXPECT_EQ(f.w.outcome, druvo::RunOutcome::kRunLogFailed);
  EXPECT_NE(f.w.LogViewText().find("DRUVO.Log niet schrijven: is een symbolische koppeling"), std::string::npos);
  EXPECT_NE(f.w.LogViewText().find("Omgezet: 32 van 32"), std::string::npos) << f.w.LogViewText();
  testing_support::NextStart restore(f);
  EXPECT_EQ(druvo::RestoreConversion(restore.w), druvo::RestoreResult::kRestored);
  EXPECT_NE(restore.w.LogViewText().find(std::string(druvo::kRestoreLogName) + " niet schrijven: is een symbolische"),
            std::string::npos);
  EXPECT_EQ(ReadFile(target), "not DRUVO's\n");
}
