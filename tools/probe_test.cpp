#include "tools/probe.h"

#include <gtest/gtest.h>

#include <filesystem>
#include <random>

#include "run_fixture.h"
#include "sys/fs.h"
#include "tools/log_view.h"

using namespace druvo;
using testing_support::ReadFile;
using testing_support::RunFixture;
using testing_support::WriteFile;

TEST(Probe, TriggerLines) {
  for (const char* yes : {"ERROR: -1", "ERROR: 20", "ERROR: 3016", "ERROR: 30160", "ERROR: 201",
                          "error: 3016 bestand in gebruik", "Error: -1 x", "ERROR: 20"}) {
    EXPECT_TRUE(IsTriggerLine(yes)) << yes;
  }
  for (const char* no : {"ERROR: 3", "ERROR: 301", "ERROR: 2", " ERROR: 20", "ERROR:20",
                         "ERROR: 30", "WARNING ERROR: 20", "", "ERROR: 1"}) {
    EXPECT_FALSE(IsTriggerLine(no)) << no;
  }
}

// Bounded random input for the line reader and the trigger test: no crash, and the
// properties the rest of the program relies on hold.
TEST(Probe, RandomLinesKeepTheirProperties) {
  std::mt19937 rng(20261207);
  const char alphabet[] = "ERORerox: -12036\r\n\0\x80\xE9 ;";
  for (int round = 0; round < 3000; ++round) {
    std::string bytes;
    int n = static_cast<int>(rng() % 60);
    for (int i = 0; i < n; ++i) bytes += alphabet[rng() % (sizeof alphabet - 1)];
    std::vector<std::string> lines = SplitLines(bytes);
    std::size_t content = 0;
    for (const std::string& l : lines) {
      EXPECT_EQ(l.find_first_of(std::string("\r\n\0", 3)), std::string::npos);
      content += l.size();
      // Case does not matter, and what follows the 11th character never does.
      std::string lower = l;
      for (char& c : lower) c = static_cast<char>(std::tolower(static_cast<unsigned char>(c)));
      EXPECT_EQ(IsTriggerLine(l), IsTriggerLine(lower)) << l;
      if (l.size() >= 11) {
        EXPECT_EQ(IsTriggerLine(l), IsTriggerLine(l + "3016"));
      }
    }
    // Every byte but CR and LF stays in a line; CR LF ends one line, as do CR and LF alone.
    std::size_t terminators = 0, kept = 0;
    for (std::size_t i = 0; i < bytes.size(); ++i) {
      if (bytes[i] != '\r' && bytes[i] != '\n') ++kept;
      else if (!(bytes[i] == '\n' && i > 0 && bytes[i - 1] == '\r')) ++terminators;
    }
    EXPECT_EQ(content, kept);
    bool openLast = !bytes.empty() && bytes.back() != '\r' && bytes.back() != '\n';
    EXPECT_EQ(lines.size(), terminators + (openLast ? 1 : 0));
  }
}

TEST(Probe, ReadsTheUtilitysLogAndChoosesTheWrapper) {
  RunFixture f;
  ASSERT_TRUE(sys::SetCurrentFolder(f.db));
  EXPECT_FALSE(ProbeConversionUtility(f.w, f.w.services, f.w.catalogue, f.w.view.Text(Control::txtExePath), ".DAT"));
  EXPECT_FALSE(ReadFile(f.Db("rcx.log")).empty());
  EXPECT_NE(f.w.LogViewText(), "");
  EXPECT_EQ(f.w.errorCount, 0);  // the utility's own log is not counted

  for (const char* code : {"3016", "-1", "20"}) {
    testing_support::SetEnv("RCX_PROBE_ERROR", code);
    EXPECT_TRUE(ProbeConversionUtility(f.w, f.w.services, f.w.catalogue, f.w.view.Text(Control::txtExePath), ".DAT")) << code;
  }
  testing_support::UnsetEnv("RCX_PROBE_ERROR");
  EXPECT_EQ(f.w.errorCount, 0);
}

TEST(Probe, OldLogIsEmptiedWhenTheUtilityCannotRun) {
  RunFixture f;
  ASSERT_TRUE(sys::SetCurrentFolder(f.db));
  WriteFile(f.Db("rcx.log"), "ERROR: 3016 from an earlier day\r\n");
  f.view.SetText(Control::txtExePath, f.Db("nowhere"));
  EXPECT_FALSE(ProbeConversionUtility(f.w, f.w.services, f.w.catalogue, f.w.view.Text(Control::txtExePath), ".DAT"));
  EXPECT_EQ(ReadFile(f.Db("rcx.log")), "");
  EXPECT_EQ(f.w.LogViewText(), "");
  EXPECT_EQ(f.view.caretMoves, 1);

  // No rcx.log at all: nothing shown, direct calls.
  std::filesystem::remove(f.Db("rcx.log"));
  EXPECT_FALSE(ProbeConversionUtility(f.w, f.w.services, f.w.catalogue, f.w.view.Text(Control::txtExePath), ".DAT"));
  EXPECT_FALSE(std::filesystem::exists(f.Db("rcx.log")));
}
