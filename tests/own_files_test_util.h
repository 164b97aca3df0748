// Helper of the own-files tests: a Start, a restore and a check on an installation whose
// database folder holds something else than a plain file at one of DRUVO's own names.
#pragma once

#include <gtest/gtest.h>

#include <string>

#include "run/check.h"
#include "run/restore.h"
#include "run_fixture.h"

namespace ownfilestest {

/// Expects a Start, a restore and a check, each in a window of its own, to refuse at once
/// because `name` in the database folder is `kind` ("een map"), the message naming the file,
/// both buttons enabled again, and no lock file, log or restore log made.
inline void ExpectEveryCommandRefused(const testing_support::RunFixture& f, const std::string& name,
                                      const std::string& kind) {
  const std::string said = f.db + "\\" + name + " is " + kind;
  auto expectBox = [&](const testing_support::NextStart& s, const char* command) {
    ASSERT_FALSE(s.view.boxes.empty()) << command;
    EXPECT_EQ(s.view.boxes.back().text.rfind(said, 0), 0u) << command << ": " << s.view.boxes.back().text;
    EXPECT_NE(s.view.boxes.back().text.find("verwijder het"), std::string::npos) << command;
    EXPECT_EQ(s.w.outcome, druvo::RunOutcome::kRefused) << command;
    EXPECT_TRUE(s.view.IsEnabled(druvo::Control::btnStart)) << command;
    EXPECT_TRUE(s.view.IsEnabled(druvo::Control::btnCancel)) << command;
  };
  testing_support::NextStart start(f);
  druvo::ClickStart(start.w);
  expectBox(start, "Start");
  testing_support::NextStart restore(f);
  EXPECT_EQ(druvo::RestoreConversion(restore.w), druvo::RestoreResult::kRefused);
  expectBox(restore, "restore");
  testing_support::NextStart check(f);
  const druvo::CheckReport report = druvo::CheckInstallation(check.w);
  EXPECT_EQ(report.verdict, druvo::CheckVerdict::kRefused);
  bool told = false;
  for (const std::string& line : report.lines) told = told || line.find(said) != std::string::npos;
  EXPECT_TRUE(told) << "check";
  if (name != "DRUVO.LCK") {
    EXPECT_FALSE(testing_support::Exists(f.Db("DRUVO.LCK")));
  }
  EXPECT_FALSE(testing_support::Exists(f.Prog("DRUVO.Log")));
  EXPECT_FALSE(testing_support::Exists(f.Prog(druvo::kRestoreLogName)));
}

}  // namespace ownfilestest
