// The program's own files on POSIX: never a link followed, never a FIFO waited on, and made
// so that every user of the folder can use them.
#include <gtest/gtest.h>
#include <sys/stat.h>
#include <sys/wait.h>
#include <unistd.h>

#include <cctype>
#include <functional>

#include "sys/file_lock.h"
#include "sys/fs.h"
#include "test_support.h"

using testing_support::Exists;
using testing_support::ReadFile;
using testing_support::TempDir;
using testing_support::WriteFile;

namespace {

// Runs `body` as the user "nobody" in a child process when the tests run as root (root may
// open any file), else as this user; its result is the child's exit code.
int AsAnotherUser(const std::function<int()>& body) {
  if (geteuid() != 0) return body();
  const pid_t pid = fork();
  if (pid == 0) {
    if (setgid(65534) != 0 || setuid(65534) != 0) _exit(100);
    _exit(body());
  }
  int status = 0;
  waitpid(pid, &status, 0);
  return WIFEXITED(status) ? WEXITSTATUS(status) : 101;
}

mode_t ModeOf(const std::string& path) {
  struct stat st {};
  stat(path.c_str(), &st);
  return st.st_mode & 07777;
}

}  // namespace

// Each opening refuses at once what is not a plain file of its own, saying what stands there,
// and leaves a link's target as it was (or unmade).
TEST(OwnFiles, OpeningsFollowNoLinkAndWaitOnNoFifo) {
  TempDir dir;
  const std::string target = dir / "target";
  WriteFile(target, "someone else's file\n");
  struct Case {
    const char* name;  // what is made at the own file's name
    std::function<void(const std::string&)> make;
    const char* kind;
  };
  const Case cases[] = {
      {"DRUVO.REC", [&](const std::string& p) { ASSERT_EQ(symlink(target.c_str(), p.c_str()), 0); },
       "een symbolische koppeling"},
      {"druvo.rec", [&](const std::string& p) { ASSERT_EQ(symlink(target.c_str(), p.c_str()), 0); },
       "een symbolische koppeling"},  // matched without regard to case, still not followed
      {"DRUVO.REC", [&](const std::string& p) { ASSERT_EQ(symlink((dir / "made").c_str(), p.c_str()), 0); },
       "een symbolische koppeling"},  // dangling: its target must not be made
      {"DRUVO.REC", [](const std::string& p) { ASSERT_EQ(mkfifo(p.c_str(), 0666), 0); },
       "een pipe (FIFO)"},
  };
  using Opening = std::function<bool(const std::string&, std::string&)>;
  const std::pair<const char*, Opening> openings[] = {
      {"write new", [](const std::string& p, std::string& why) { return sys::WriteNewFileDurably(p, "x\n", &why); }},
      {"replace", [](const std::string& p, std::string& why) { return sys::ReplaceFileDurably(p, "x\n", &why); }},
      {"append", [](const std::string& p, std::string& why) { return sys::AppendFileDurably(p, "x\n", &why); }},
      {"read", [](const std::string& p, std::string& why) {
         return sys::ReadOwnFile(p, 64, [](std::string_view) {}, &why);
       }},
      {"lock", [](const std::string& p, std::string& why) {
         sys::LockStatus status;
         return sys::FileLock::Take(p, status, why) != nullptr;
       }},
  };
  for (const Case& c : cases) {
    const std::string at = dir / c.name;
    c.make(at);
    for (const auto& [what, open] : openings) {
      std::string why;
      EXPECT_FALSE(open(dir.path() + "\\DRUVO.REC", why)) << c.name << " " << what;
      EXPECT_EQ(why, std::string("is ") + c.kind + ", geen gewoon bestand") << c.name << " " << what;
    }
    EXPECT_EQ(sys::KindOfName(dir.path() + "\\DRUVO.REC"),
              std::string(c.kind) == "een pipe (FIFO)" ? sys::NameKind::kFifo : sys::NameKind::kLink);
    EXPECT_EQ(ReadFile(target), "someone else's file\n");
    EXPECT_FALSE(Exists(dir / "made"));
    ASSERT_EQ(unlink(at.c_str()), 0);
  }
}

// New own files can be used by every user of the folder, whatever the umask; a lock file
// another user made read-only still locks, and a record made by one user takes another's lines.
TEST(OwnFiles, OtherUsersOfTheFolderCanUseThem) {
  TempDir dir;
  const mode_t old = umask(022);
  sys::LockStatus status;
  std::string why;
  ASSERT_TRUE(sys::WriteNewFileDurably(dir / "DRUVO.JNL", "plan\n", &why)) << why;
  EXPECT_FALSE(sys::WriteNewFileDurably(dir / "DRUVO.JNL", "other\n", &why));  // never emptied
  EXPECT_EQ(ReadFile(dir / "DRUVO.JNL"), "plan\n");
  ASSERT_TRUE(sys::AppendFileDurably(dir / "DRUVO.REC", "line 1\n", &why)) << why;
  ASSERT_TRUE(sys::FileLock::Take(dir / "DRUVO.LCK", status, why)) << why;
  umask(old);
  for (const char* name : {"DRUVO.JNL", "DRUVO.REC", "DRUVO.LCK"}) EXPECT_EQ(ModeOf(dir / name), 0666u) << name;

  const std::string lock = dir / "READONLY.LCK";
  WriteFile(lock, "");
  ASSERT_EQ(chmod(lock.c_str(), 0444), 0);
  ASSERT_EQ(chmod(dir.path().c_str(), 0755), 0);
  const int code = AsAnotherUser([&] {
    sys::LockStatus st;
    std::string w;
    if (!sys::FileLock::Take(lock, st, w)) return 1;
    return sys::AppendFileDurably(dir / "DRUVO.REC", "line 2\n", &w) ? 0 : 2;
  });
  EXPECT_EQ(code, 0);
  EXPECT_EQ(ReadFile(dir / "DRUVO.REC"), "line 1\nline 2\n");
}

// Names are matched without regard to case, folder by folder, an exact name winning; a name
// found in other case once is found again after it changed case, and gives way to an exact
// one made later.
TEST(Paths, MatchedWithoutRegardToCaseAnExactNameWinning) {
  TempDir dir;
  WriteFile(dir / "Data/Qwimapd.dat", "1");
  std::string upper = dir.path() + "/DATA/QWIMAPD.DAT";
  for (char& c : upper) c = static_cast<char>(std::toupper(static_cast<unsigned char>(c)));
  const auto found = [&] { return sys::ResolveExisting(upper).value_or("-"); };
  EXPECT_EQ(found(), dir / "Data/Qwimapd.dat");
  EXPECT_EQ(found(), dir / "Data/Qwimapd.dat");
  ASSERT_EQ(rename((dir / "Data/Qwimapd.dat").c_str(), (dir / "Data/qwimapd.DAT").c_str()), 0);
  EXPECT_EQ(found(), dir / "Data/qwimapd.DAT");
  WriteFile(dir / "Data/QWIMAPD.DAT", "2");
  EXPECT_EQ(found(), dir / "Data/QWIMAPD.DAT");
  EXPECT_EQ(sys::ResolveExisting(dir / "DATA/qwimapd.DAT").value_or("-"), dir / "Data/qwimapd.DAT");
  ASSERT_EQ(unlink((dir / "Data/qwimapd.DAT").c_str()), 0);
  ASSERT_EQ(unlink((dir / "Data/QWIMAPD.DAT").c_str()), 0);
  EXPECT_EQ(found(), "-");
  // A name about to be made keeps its own case, in the folder found.
  ASSERT_TRUE(sys::WriteWholeFile(dir / "DATA/New.Log", "3"));
  EXPECT_EQ(ReadFile(dir / "Data/New.Log"), "3");
  // A folder on the way that changed case since is found again, for a name there and for
  // one about to be made.
  ASSERT_EQ(rename((dir / "Data").c_str(), (dir / "data").c_str()), 0);
  EXPECT_EQ(sys::ResolveExisting(dir / "DATA/NEW.LOG").value_or("-"), dir / "data/New.Log");
  ASSERT_EQ(rename((dir / "data").c_str(), (dir / "dATA").c_str()), 0);
  ASSERT_TRUE(sys::WriteWholeFile(dir / "DATA/Other.Log", "4"));
  EXPECT_EQ(ReadFile(dir / "dATA/Other.Log"), "4");
}
