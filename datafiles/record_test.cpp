#include "datafiles/record.h"

#include <gtest/gtest.h>

#include <filesystem>
#include <fstream>
#include <tuple>

#include "test_support.h"

namespace druvo {
namespace {

using testing_support::ReadFile;
using testing_support::TempDir;
using testing_support::WriteFile;

const Fingerprint kA{7865, 0xcbbceb3b};
const Fingerprint kB{8380, 0x27dd1350};

// Records written before: lines without a check, and lines with a check but without the
// check of whose they are; a torn line the version before closed with a bare line end.
TEST(Record, ReadsTheLinesOfTheVersionsBefore) {
  TempDir dir;
  WriteFile(dir / kRecordFileName,
            "13\tQWIMAPD.DAT\t8380\t27dd1350\n"
            "F\t13\tQWIMAPD.DAT\t7865\tcbbceb3b\t3a8b4594\n"
            "S\t13\t1\t841a6026\n"
            "F\t13\tQWAOMVSQ.DAT\t8380\t27dd1350\t0126ab01\n"
            "T\t13\tQWAOMVSQ.DAT\t35bf7a1f\n");
  FileRecord r = FileRecord::Load(dir.path());
  EXPECT_EQ(r.Earliest("13", "QWIMAPD.DAT"), kB);
  EXPECT_EQ(r.Find("13", "QWIMAPD.DAT"), kA);
  EXPECT_FALSE(r.Find("13", "QWAOMVSQ.DAT"));
  EXPECT_TRUE(r.LabelToolSwapped("13"));
  EXPECT_EQ(r.damagedLines(), 0);

  // A line cut short is torn, whatever version wrote it; one of a line's length is damaged.
  ASSERT_TRUE(AppendRestored(dir.path(), "13", "QWIMAPD.DAT"));
  WriteFile(dir / kRecordFileName, ReadFile(dir / kRecordFileName) + "F\t13\tQWIM\n");
  r = FileRecord::Load(dir.path());
  EXPECT_EQ(r.damagedLines(), 0);
  EXPECT_FALSE(r.Damaged("13", "QWIMAPD.DAT") || r.Damaged("10", "QWEPIQXZ.DAB") || r.LabelToolDamaged("10"));
  WriteFile(dir / kRecordFileName, ReadFile(dir / kRecordFileName) + "F\t13\tQWIMAPD.DAT\t7865\tcbbceb3b\t3a8b4595\n");
  r = FileRecord::Load(dir.path());
  EXPECT_TRUE(r.Damaged("13", "QWIMAPD.DAT") && r.Damaged("10", "QWEPIQXZ.DAB") && r.LabelToolDamaged("10"));
}

// The ordinary damage of years leaves a record that still vouches: a power cut's tail of NULs
// of any length, line ends copied as CR LF, a damaged line before a history that began anew.
TEST(Record, OrdinaryDamageIsNoDeadEnd) {
  TempDir dir;
  const std::string db = dir.path();
  const std::string path = dir / kRecordFileName;
  ASSERT_TRUE(AppendRecord(db, "13", "QWIMAPD.DAT", kA));
  ASSERT_TRUE(AppendLabelToolSwap(db, "13", true));
  WriteFile(path, ReadFile(path) + std::string(5000, '\0'));
  ASSERT_TRUE(AppendRecord(db, "13", "QWAOMVSQ.DAT", kB));
  std::string crlf;
  for (char c : ReadFile(path)) crlf += c == '\n' ? std::string("\r\n") : std::string(1, c);
  WriteFile(path, crlf);
  FileRecord r = FileRecord::Load(db);
  EXPECT_EQ(r.damagedLines(), 0);
  EXPECT_EQ(r.Earliest("13", "QWIMAPD.DAT"), kA);
  EXPECT_EQ(r.Earliest("13", "QWAOMVSQ.DAT"), kB);
  EXPECT_TRUE(r.LabelToolSwapped("13") && r.LabelToolKnown("13"));

  // A line whose owner cannot be told taints every history up to it, not one begun after it.
  WriteFile(path, ReadFile(path) + "F\t13\tQWIMAPD.DAT\tx\t7865\tcbbceb3b\t3a8b4595\n");
  ASSERT_TRUE(AppendRestored(db, "13", "QWAOMVSQ.DAT"));
  ASSERT_TRUE(AppendRecord(db, "13", "QWAOMVSQ.DAT", kA));
  ASSERT_TRUE(AppendAfterCall(db, "13", "QWAOMVSQ.DAT", kB));
  ASSERT_TRUE(AppendUnfinished(db, "13", "QWIMAPD.DAT", "code=2"));
  r = FileRecord::Load(db);
  EXPECT_EQ(r.damagedLines(), 1);
  EXPECT_TRUE(r.Damaged("13", "QWIMAPD.DAT") && !r.LabelToolKnown("13"));
  EXPECT_FALSE(r.Damaged("13", "QWAOMVSQ.DAT"));
  EXPECT_EQ(r.Earliest("13", "QWAOMVSQ.DAT"), kA);
  EXPECT_EQ(r.After("13", "QWAOMVSQ.DAT"), kB);
  EXPECT_EQ(r.Unfinished("13", "QWIMAPD.DAT"), "code=2");
  EXPECT_FALSE(r.After("13", "QWIMAPD.DAT") || r.Unfinished("13", "QWAOMVSQ.DAT"));
}

// A line a crash tore is passed over, and still when later lines follow it; one flipped bit
// anywhere in the record makes no line pass as whole or as torn: whatever it changes is
// damaged, for the entry it is about or, when that cannot be told, for every entry.
TEST(Record, ATornLineIsPassedOverAndNoFlippedBitPassesUnseen) {
  TempDir dir;
  const std::string db = dir.path();
  const std::string path = dir / kRecordFileName;
  ASSERT_TRUE(AppendRecord(db, "13", "QWIMAPD.DAT", kA));
  ASSERT_TRUE(AppendRecord(db, "13", "QMVWORK\\QWJHLIWW.DAT", kB));
  ASSERT_TRUE(AppendLabelToolSwap(db, "13", true));
  const std::string torn = "F\t13\tQWAOMVSQ.DAT\t83";
  WriteFile(path, ReadFile(path) + torn);  // torn by a crash
  EXPECT_EQ(FileRecord::Load(db).damagedLines(), 0);
  ASSERT_TRUE(AppendRecord(db, "10", "QWAOMVSQ.DAT", kA));
  ASSERT_TRUE(AppendRestored(db, "13", "QWIMAPD.DAT"));
  ASSERT_TRUE(AppendRecord(db, "13", "QWIMAPD.DAT", kB));
  ASSERT_TRUE(AppendRecord(db, "13", "QMVWORK\\QWJHLIWW.DAT", kA));
  ASSERT_TRUE(AppendLabelToolSwap(db, "13", false));
  ASSERT_TRUE(AppendAfterCall(db, "13", "QWIMAPD.DAT", kA));
  ASSERT_TRUE(AppendUnfinished(db, "10", "QWAOMVSQ.DAT", "code=2"));
  WriteFile(path, ReadFile(path) + "T\t13\tQW");  // torn again, at the end
  const std::string whole = ReadFile(path);

  const std::tuple<const char*, const char*> keys[] = {
      {"13", "QWIMAPD.DAT"}, {"13", "QMVWORK\\QWJHLIWW.DAT"}, {"10", "QWAOMVSQ.DAT"}, {"13", "QWAOMVSQ.DAT"}};
  using View = std::tuple<std::optional<Fingerprint>, std::optional<Fingerprint>, bool>;
  auto view = [](const FileRecord& r, const char* d, const char* k) -> View {
    return {r.Earliest(d, k), r.Find(d, k), r.Damaged(d, k)};
  };
  const FileRecord before = FileRecord::Load(db);
  EXPECT_EQ(before.damagedLines(), 0);
  EXPECT_EQ(view(before, "13", "QWIMAPD.DAT"), View(kB, kB, false));
  EXPECT_EQ(view(before, "13", "QMVWORK\\QWJHLIWW.DAT"), View(kB, kA, false));
  EXPECT_EQ(view(before, "10", "QWAOMVSQ.DAT"), View(kA, kA, false));
  EXPECT_EQ(view(before, "13", "QWAOMVSQ.DAT"), View({}, {}, false));
  EXPECT_FALSE(before.LabelToolSwapped("13"));

  const std::string tornEnd = "T\t13\tQW";
  for (std::size_t i = 0; i < whole.size() * 8; ++i) {
    std::string flipped = whole;
    flipped[i / 8] = static_cast<char>(flipped[i / 8] ^ (1 << (i % 8)));
    // After the flip as it is, and once the next line is added behind it.
    for (bool appended : {false, true}) {
      if (appended && i / 8 + 1 != whole.size() - tornEnd.size()) continue;  // the last line end
      SCOPED_TRACE("byte " + std::to_string(i / 8) + " bit " + std::to_string(i % 8) +
                   (appended ? " and appended" : ""));
      // Written over in place: a file cut short is flushed on closing, which takes long.
      if (std::filesystem::file_size(path) != flipped.size()) std::filesystem::resize_file(path, flipped.size());
      std::fstream(path, std::ios::in | std::ios::out | std::ios::binary).write(flipped.data(), std::ssize(flipped));
      if (appended) {
        ASSERT_TRUE(AppendRecord(db, "10", "QWIMAPD.DAT", kA));
      }
      const FileRecord after = FileRecord::Load(db);
      for (const auto& [d, k] : keys) {
        EXPECT_TRUE(after.Damaged(d, k) || view(after, d, k) == view(before, d, k)) << d << " " << k;
        // What the last call left may be lost, never changed.
        EXPECT_TRUE(!after.After(d, k) || after.After(d, k) == before.After(d, k)) << d << " " << k;
        EXPECT_TRUE(!after.Unfinished(d, k) || after.Unfinished(d, k) == before.Unfinished(d, k)) << d << " " << k;
      }
      EXPECT_TRUE(after.LabelToolDamaged("13") || !after.LabelToolSwapped("13"));
      // Only a flip in a torn line, or in its closing, passes without a damaged line.
      const std::size_t at = i / 8;
      EXPECT_TRUE(after.damagedLines() > 0 || at >= whole.size() - tornEnd.size() ||
                  (at >= whole.find(torn) && at < whole.find('\n', whole.find(torn))));
    }
  }
}

}  // namespace
}  // namespace druvo
