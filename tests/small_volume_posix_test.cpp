// A database on a small, nearly full file system of its own (a tmpfs, mounted as root), run
// by the real console program with the real stand-in utility. Judged by what the host sees:
// every data file under its own name and whole, and every file not converted named.
#include <gtest/gtest.h>
#include <sys/mount.h>
#include <sys/statvfs.h>
#include <unistd.h>

#include <cerrno>
#include <cstring>
#include <filesystem>
#include <map>

#include "hostsim/rcx.h"
#include "sys/text.h"
#include "test_support.h"

using namespace testing_support;
namespace fs = std::filesystem;

namespace {

// A tmpfs of `kb` Kb at a folder of its own, unmounted at the end.
class SmallVolume {
 public:
  SmallVolume(const std::string& where, int kb) : path_(where) {
    fs::create_directories(path_);
    const std::string options = "size=" + std::to_string(kb) + "k";
    if (mount("druvo-test", path_.c_str(), "tmpfs", 0, options.c_str()) == 0) mounted_ = true;
    else why_ = std::strerror(errno);
  }
  ~SmallVolume() {
    if (mounted_) umount(path_.c_str());
  }
  bool mounted() const { return mounted_; }
  const std::string& why() const { return why_; }

  // Leaves `bytes` free for this user (to the page), with a file that takes the rest.
  void LeaveFree(std::uint64_t bytes) const {
    struct statvfs st;
    ASSERT_EQ(statvfs(path_.c_str(), &st), 0);
    const std::uint64_t available = std::uint64_t{st.f_bavail} * st.f_frsize;
    ASSERT_GT(available, bytes);
    WriteFile(path_ + "/filler", std::string(available - bytes, 'f'));
  }
  std::uint64_t FreeKb() const {
    struct statvfs st;
    return statvfs(path_.c_str(), &st) == 0 ? std::uint64_t{st.f_bavail} * st.f_frsize / 1024 : 0;
  }

 private:
  std::string path_;
  bool mounted_ = false;
  std::string why_;
};

// Relative path -> bytes of the data files (no logs, markers or DRUVO's own files).
std::map<std::string, std::string> DataFiles(const std::string& db) {
  std::map<std::string, std::string> files;
  for (const auto& e : fs::recursive_directory_iterator(db)) {
    const std::string ext = text::Upper(e.path().extension().string());
    if (e.is_regular_file() && ext == ".DAT" && e.path().filename() != "TRWMIX.DAT")
      files[fs::relative(e.path(), db).generic_string()] = ReadFile(e.path().string());
  }
  return files;
}

// Every data file as the host reads it: untouched, or the whole conversion of its marker.
void ExpectEveryFileWhole(const std::string& db, const std::map<std::string, std::string>& original) {
  const auto after = DataFiles(db);
  ASSERT_EQ(after.size(), original.size());
  for (const auto& [name, bytes] : original) {
    const std::string now = after.at(name);
    if (now == bytes) continue;  // not converted: untouched
    const fs::path marker = fs::path(db) / fs::path(name).replace_extension(".13");
    // Compared as booleans: a failure must not print (and diff) megabytes.
    EXPECT_TRUE(ReadFile(marker.string()) == bytes) << name;
    EXPECT_TRUE(now == hostsim::ConvertDataFile(bytes, hostsim::Direction::kToEan13).bytes) << name << " torn";
  }
}

}  // namespace

TEST(SmallVolume, TooLittleRoomIsAbandonedAndNoFileIsTornForLackOfRoom) {
  if (geteuid() != 0) GTEST_SKIP() << "mounting a small file system needs root";
  TempDir dir;
  ASSERT_EQ(RunConsoleProgram("demo " + Quote(dir / "demo")), 0);
  const std::string prog = dir / "demo/QMV";
  SetEnv("DRUVO_SMTP_RELAY", "127.0.0.1:9");
  auto run = [&](const std::string& db) {
    return RunConsoleProgram("run --yes --customer 1 --program-folder " + Quote(prog) +
                             " --database-folder " + Quote(db));
  };
  auto placeData = [&](const std::string& volume) {
    fs::copy(dir / "demo/DATA", volume + "/DATA", fs::copy_options::recursive);
    return volume + "/DATA";
  };

  {
    // A volume with 192 Kb free: measured exactly, too little, the run abandoned.
    SmallVolume volume(dir / "small", 800);
    if (!volume.mounted()) GTEST_SKIP() << "no file system could be mounted here: " << volume.why();
    const std::string db = placeData(dir / "small");
    volume.LeaveFree(192 * 1024);
    const auto before = DataFiles(db);
    EXPECT_EQ(run(db), 3);
    const std::string log = ReadFile(prog + "/DRUVO.Log");
    EXPECT_NE(log.find("Beschikbare schijfruimte : 192 Kb. Vereist : "), std::string::npos) << log;
    EXPECT_EQ(DataFiles(db), before);
  }
  {
    // Room for what the data files take and a little more, the biggest file last: the disk
    // check passes, and that file must not be handed to a utility that would run out of room.
    SmallVolume volume(dir / "nearly-full", 8192);
    ASSERT_TRUE(volume.mounted()) << volume.why();
    const std::string db = placeData(dir / "nearly-full");
    const std::string last = db + "/QWIEAPUA.DAT";
    std::string big = ReadFile(last);
    const std::string lines = big;
    while (big.size() < (2u << 20)) big += lines;
    WriteFile(last, big);
    std::uint64_t taken = 0;
    const auto original = DataFiles(db);
    for (const auto& [name, bytes] : original) taken += bytes.size();
    volume.LeaveFree(taken + 300 * 1024);
    EXPECT_EQ(run(db), 1);
    const std::string log = ReadFile(prog + "/DRUVO.Log");
    EXPECT_NE(log.find("ERROR: QWIEAPUA.DAT is niet omgezet: te weinig schijfruimte ("), std::string::npos)
        << log.substr(log.size() > 3000 ? log.size() - 3000 : 0);
    ExpectEveryFileWhole(db, original);
  }
  // The last file 8 MiB of bare book numbers, which grow by 27%, on 18.8 MiB: the guard must
  // leave room for all of that growth.
  const std::string bare = [] {
    std::string s;
    while (s.size() < (8u << 20)) s += "0306406152\n0198526636\n";
    return s;
  }();
  {
    SmallVolume volume(dir / "bare-numbers", 19251);
    ASSERT_TRUE(volume.mounted()) << volume.why();
    const std::string db = placeData(dir / "bare-numbers");
    WriteFile(db + "/QWIEAPUA.DAT", bare);
    const auto original = DataFiles(db);
    EXPECT_EQ(run(db), 1);
    const std::string log = ReadFile(prog + "/DRUVO.Log");
    EXPECT_NE(log.find("ERROR: QWIEAPUA.DAT is niet omgezet: te weinig schijfruimte ("), std::string::npos)
        << log.substr(log.size() > 3000 ? log.size() - 3000 : 0);
    ExpectEveryFileWhole(db, original);
  }
  {
    // A smaller file the guard lets through, while another program takes the volume's room
    // during the call: the file torn half-way is set aside and its marker put back.
    SmallVolume volume(dir / "taken-during-call", 19251);
    ASSERT_TRUE(volume.mounted()) << volume.why();
    const std::string db = placeData(dir / "taken-during-call");
    const std::string file = bare.substr(0, 2000000);
    WriteFile(db + "/QWIEAPUA.DAT", file);
    const auto original = DataFiles(db);
    fs::rename(prog + "/RCX.EXE", prog + "/rcx-real");
    WriteFile(prog + "/RCX.EXE",
              "#!/bin/sh\nif [ \"$1\" = N ] && [ \"$2\" = QWIEAPUA.DAT ]; then\n"
              "  free=$(( $(stat -f -c '%a * %S' .) ))\n"
              "  head -c $(( free - " + std::to_string(file.size() + 65536) + " )) /dev/zero > " +
                  Quote(dir / "taken-during-call/other") + "\nfi\nexec " + Quote(prog + "/rcx-real") + " \"$@\"\n");
    fs::permissions(prog + "/RCX.EXE", fs::perms::owner_all);
    EXPECT_EQ(run(db), 1);
    fs::remove(prog + "/RCX.EXE");
    fs::rename(prog + "/rcx-real", prog + "/RCX.EXE");
    const std::string log = ReadFile(prog + "/DRUVO.Log");
    EXPECT_NE(log.find("ERROR: QWIEAPUA.DAT is niet omgezet: de schijf is tijdens de conversie volgelopen ("),
              std::string::npos)
        << log.substr(log.size() > 3000 ? log.size() - 3000 : 0);
    EXPECT_NE(log.find("QWIEAPUA.13 is teruggezet als QWIEAPUA.DAT, het bestand van na de aanroep staat opzij als "
                       "QWIEAPUA.13_1"),
              std::string::npos);
    EXPECT_TRUE(ReadFile(db + "/QWIEAPUA.13_1") != file);
    ExpectEveryFileWhole(db, original);
    EXPECT_TRUE(ReadFile(db + "/QWIEAPUA.DAT") == file);
  }
  UnsetEnv("DRUVO_SMTP_RELAY");
}
