#include <gtest/gtest.h>

#include <random>

#include <chrono>
#include <climits>
#include <cstdlib>
#include <filesystem>
#include <stdexcept>
#include <thread>
#include <vector>

#include "model/main_window.h"
#include "model/memory_view.h"
#include "sys/fs.h"
#include "test_support.h"
#include "tools/process.h"

using namespace druvo;
using testing_support::CurrentFolderGuard;
using testing_support::Exists;
using testing_support::Program;
using testing_support::ReadFile;
using testing_support::TempDir;
using testing_support::WriteFile;

namespace fs = std::filesystem;
using Clock = std::chrono::steady_clock;

namespace {

// What argv_echo wrote: its working folder, then one line per argument.
std::vector<std::string> EchoLines(const TempDir& dir) {
  std::vector<std::string> lines;
  std::string text = ReadFile(dir / "argv_echo.txt");
  std::size_t start = 0;
  for (std::size_t nl; (nl = text.find('\n', start)) != std::string::npos; start = nl + 1)
    lines.push_back(text.substr(start, nl - start));
  return lines;
}

std::vector<std::string> EchoArgs(const TempDir& dir) {
  auto lines = EchoLines(dir);
  if (!lines.empty()) lines.erase(lines.begin());
  return lines;
}

bool WaitForFile(const std::string& path, double seconds) {
  const auto until = Clock::now() + std::chrono::duration<double>(seconds);
  while (Clock::now() < until) {
    if (Exists(path)) return true;
    std::this_thread::sleep_for(std::chrono::milliseconds(20));
  }
  return Exists(path);
}

// A window whose clock reads the given values one per call (the last one for ever after),
// and whose event processing fails the test instead of hanging when a wait never ends.
struct Window {
  MemoryView view;
  MainWindow w{view};
  std::vector<double> readings;
  std::size_t next = 0;

  explicit Window(std::vector<double> clock = {43200.0}) : readings(std::move(clock)) {
    w.services.secondsSinceMidnight = [this] {
      double v = readings[std::min(next, readings.size() - 1)];
      ++next;
      return v;
    };
    const auto deadline = Clock::now() + std::chrono::seconds(30);
    view.onEvents = [deadline] {
      if (Clock::now() > deadline) throw std::runtime_error("the wait does not end");
    };
  }
};

}  // namespace

TEST(WaitDeadline, StartSecondEndSecondAndStrictComparisons) {
  WaitDeadline d;
  // The start second is the nearest whole second, halves to the even neighbour.
  ASSERT_TRUE(ComputeWaitDeadline(100.5, 0, d));
  EXPECT_EQ(d.startSecond, 100);
  ASSERT_TRUE(ComputeWaitDeadline(101.5, 0, d));
  EXPECT_EQ(d.startSecond, 102);
  ASSERT_TRUE(ComputeWaitDeadline(101.49, 0, d));
  EXPECT_EQ(d.startSecond, 101);
  ASSERT_TRUE(ComputeWaitDeadline(86399.6, 0, d));
  EXPECT_EQ(d.startSecond, 86400);

  // No limit: end second 0, flag clear, and no clock reading ends the wait.
  ASSERT_TRUE(ComputeWaitDeadline(5000.2, 0, d));
  EXPECT_EQ(d.endSecond, 0);
  EXPECT_FALSE(d.afterMidnight);
  for (double c : {0.0, 0.5, 4999.0, 5001.0, 86399.9}) EXPECT_FALSE(WaitTimedOut(d, c)) << c;

  // Same day: strictly later than the end second.
  ASSERT_TRUE(ComputeWaitDeadline(1000.0, 10, d));
  EXPECT_EQ(d.endSecond, 1010);
  EXPECT_FALSE(d.afterMidnight);
  EXPECT_FALSE(WaitTimedOut(d, 1009.99));
  EXPECT_FALSE(WaitTimedOut(d, 1010.0));
  EXPECT_TRUE(WaitTimedOut(d, 1010.01));
  // 86,399 is the last sum that stays on the same day.
  ASSERT_TRUE(ComputeWaitDeadline(86389.0, 10, d));
  EXPECT_EQ(d.endSecond, 86399);
  EXPECT_FALSE(d.afterMidnight);

  // A negative time-out adds nothing; the end second 0 is passed at once.
  ASSERT_TRUE(ComputeWaitDeadline(1000.0, -5, d));
  EXPECT_EQ(d.endSecond, 0);
  EXPECT_FALSE(d.afterMidnight);
  EXPECT_TRUE(WaitTimedOut(d, 1000.5));
}

TEST(WaitDeadline, MidnightLargeTimeOutsAndOverflow) {
  WaitDeadline d;
  // 23:59:55 plus 10 seconds ends at 00:00:05 the next day.
  ASSERT_TRUE(ComputeWaitDeadline(86395.0, 10, d));
  EXPECT_EQ(d.startSecond, 86395);
  EXPECT_EQ(d.endSecond, 5);
  EXPECT_TRUE(d.afterMidnight);
  for (double c : {86395.0, 86396.0, 86399.99, 0.0, 3.0, 5.0}) EXPECT_FALSE(WaitTimedOut(d, c)) << c;
  EXPECT_TRUE(WaitTimedOut(d, 5.01));
  EXPECT_TRUE(WaitTimedOut(d, 86394.0));

  // A sum of exactly 86,400 gives end second 0 on the next day.
  ASSERT_TRUE(ComputeWaitDeadline(86390.0, 10, d));
  EXPECT_EQ(d.endSecond, 0);
  EXPECT_TRUE(d.afterMidnight);
  EXPECT_FALSE(WaitTimedOut(d, 86399.99));  // before midnight: not below the start second
  EXPECT_FALSE(WaitTimedOut(d, 0.0));
  EXPECT_TRUE(WaitTimedOut(d, 0.001));

  // 86,400 seconds or more: the wrapped end second is never below the start second.
  for (std::int32_t t : {86400, 86401, 100000, 1000000}) {
    ASSERT_TRUE(ComputeWaitDeadline(1000.0, t, d));
    EXPECT_TRUE(d.afterMidnight);
    for (double c = 0.0; c < 86400.0; c += 0.25) {
      if (WaitTimedOut(d, c)) {
        ADD_FAILURE() << "time-out " << t << " ended at " << c;
        break;
      }
    }
  }

  // The sum must fit in 32 bits signed; beyond it nothing changes and the result is false.
  ASSERT_TRUE(ComputeWaitDeadline(1.0, INT32_MAX - 1, d));
  EXPECT_EQ(d.endSecond, INT32_MAX - 86400);
  WaitDeadline untouched;
  untouched.endSecond = 77;
  EXPECT_FALSE(ComputeWaitDeadline(2.0, INT32_MAX - 1, untouched));
  EXPECT_FALSE(ComputeWaitDeadline(86399.0, INT32_MAX, untouched));
  EXPECT_EQ(untouched.endSecond, 77);
}

TEST(ShellandWait, StartsInTheCurrentFolderAndPassesEveryArgumentIntact) {
  TempDir dir;
  CurrentFolderGuard guard;
  ASSERT_TRUE(sys::SetCurrentFolder(dir.path()));
  Window win;
  const std::vector<std::string> args = {
      "N", "with blank", "a&b|c<d>e^f", "50%PATH%x", "", "say \"hi\"", "ends\\", "C:\\x y\\", "café"};

  const auto t0 = Clock::now();
  EXPECT_TRUE(ShellandWait(win.w, win.w.services, {Program("argv_echo"), args}, 0));
  EXPECT_LT(std::chrono::duration<double>(Clock::now() - t0).count(), 10.0);
  EXPECT_GE(win.view.events, 1);

  auto lines = EchoLines(dir);
  ASSERT_FALSE(lines.empty());
  EXPECT_TRUE(fs::equivalent(lines[0], dir.path())) << lines[0];
  EXPECT_EQ(EchoArgs(dir), args);
  // The command line as shown: joined by single blanks, nothing quoted.
  EXPECT_EQ((Command{"C:\\Q M\\RCX.exe", {"N", "F.DAT", "13"}}.Text()), "C:\\Q M\\RCX.exe N F.DAT 13");
}

// Bounded random arguments made of what shells and the C runtime's quoting rules treat
// specially: every one must arrive as it was sent, and nothing else may run.
TEST(ShellandWait, RandomHostileArgumentsArriveIntact) {
  TempDir dir;
  CurrentFolderGuard guard;
  ASSERT_TRUE(sys::SetCurrentFolder(dir.path()));
  Window win;
  const std::vector<std::string> pieces = {" ", "\"", "\\", "\\\"", "&", "|", "<", ">", "^", "%",
                                           "!", ",", ";", "=", "(", ")", "\t", "a", "Z", "9",
                                           "\xC3\xA9", "*", "?", "$", "`", "'"};
  std::mt19937 rng(7122026);
  for (int round = 0; round < 25; ++round) {
    std::vector<std::string> args;
    const int count = 1 + static_cast<int>(rng() % 4);
    for (int a = 0; a < count; ++a) {
      std::string arg;
      const int len = static_cast<int>(rng() % 8);
      for (int k = 0; k < len; ++k) arg += pieces[rng() % pieces.size()];
      args.push_back(arg);
    }
    fs::remove(dir / "argv_echo.txt");
    ASSERT_TRUE(ShellandWait(win.w, win.w.services, {Program("argv_echo"), args}, 0));
    EXPECT_EQ(EchoArgs(dir), args) << "round " << round;
  }
  // Only the one file the helper writes: no redirection or second command ran.
  EXPECT_EQ(std::distance(fs::directory_iterator(dir.path()), fs::directory_iterator{}), 1);
}

TEST(ShellandWait, ProgramFolderWithBlanksNameWithoutExtensionAndBatchWrapper) {
  TempDir dir;
  CurrentFolderGuard guard;
  const std::string prog = dir / "Q M&V (x86)";
  fs::create_directories(prog);
  fs::copy_file(Program("argv_echo"), prog + "/RCX.EXE");
  fs::copy_file(testing_support::BinDir() + "/RCXB.BAT", prog + "/RCXB.BAT");
  const std::string work = dir / "work";
  fs::create_directories(work);
  ASSERT_TRUE(sys::SetCurrentFolder(work));
  Window win;

  // "...\RCX" is found as RCX.EXE, as Windows finds a program named without extension.
  EXPECT_TRUE(ShellandWait(win.w, win.w.services, {prog + "\\RCX", {"I", "QWAOMVSQ.DAT"}}, 0));
  EXPECT_FALSE(Exists(dir / "argv_echo.txt"));  // written into the current folder only
  EXPECT_NE(ReadFile(work + "/argv_echo.txt").find("\nI\nQWAOMVSQ.DAT\n"), std::string::npos);

  // Through the batch wrapper: the first three arguments reach the utility, the program
  // folder with blanks and & as fourth only finds it.
  fs::remove(work + "/argv_echo.txt");
  EXPECT_TRUE(ShellandWait(win.w, win.w.services, {prog + "\\RCXB.BAT", {"N", "a b&c|d<e>f^g,h;i=j(k)!", "13", prog}}, 0));
  std::string text = ReadFile(work + "/argv_echo.txt");
  EXPECT_NE(text.find("\nN\na b&c|d<e>f^g,h;i=j(k)!\n13\n"), std::string::npos) << text;
  EXPECT_EQ(text.find(prog), std::string::npos) << "the fourth argument is the wrapper's own";

  // A batch file in a folder whose name holds %PATH%: the percent signs are not expanded
  // on the way to cmd.exe, or the wrapper would not be found. (Arguments holding % are not
  // tried through the wrapper: Wine's cmd expands the substituted %1..%9 again inside a
  // batch file, which Windows does not.)
  const std::string pct = dir / "50%PATH%";
  fs::create_directories(pct);
  fs::copy_file(testing_support::BinDir() + "/RCXB.BAT", pct + "/RCXB.BAT");
  fs::remove(work + "/argv_echo.txt");
  EXPECT_TRUE(ShellandWait(win.w, win.w.services, {pct + "\\RCXB.BAT", {"N", "x y", "13", prog}}, 0));
  text = ReadFile(work + "/argv_echo.txt");
  EXPECT_NE(text.find("\nN\nx y\n13\n"), std::string::npos) << text;
}

TEST(ShellandWait, MissingProgramAndOverflowStartNothing) {
  TempDir dir;
  CurrentFolderGuard guard;
  ASSERT_TRUE(sys::SetCurrentFolder(dir.path()));
  Window win;

  const auto t0 = Clock::now();
  EXPECT_FALSE(ShellandWait(win.w, win.w.services, {dir.path() + "\\NOPE.EXE", {"x"}}, 0));
  EXPECT_FALSE(ShellandWait(win.w, win.w.services, {dir.path() + "\\NOPE", {}}, 0));
  EXPECT_FALSE(ShellandWait(win.w, win.w.services, {dir.path() + "\\missing folder\\RCX.exe", {}}, 5));
  fs::create_directories(dir / "RCX.EXE");  // a folder is no program
  EXPECT_FALSE(ShellandWait(win.w, win.w.services, {dir.path() + "\\RCX", {}}, 0));
  EXPECT_LT(std::chrono::duration<double>(Clock::now() - t0).count(), 2.0);
  EXPECT_EQ(win.view.events, 0);

  // An end second beyond 32 bits: false before anything is started.
  Window late({86399.0});
  EXPECT_FALSE(ShellandWait(late.w, late.w.services, {Program("argv_echo"), {"x"}}, INT32_MAX));
  EXPECT_EQ(late.view.events, 0);
  std::this_thread::sleep_for(std::chrono::milliseconds(300));
  EXPECT_FALSE(Exists(dir / "argv_echo.txt"));
}

TEST(ShellandWait, EndedProcessIsSeenWhateverItsExitCode) {
  TempDir dir;
  CurrentFolderGuard guard;
  ASSERT_TRUE(sys::SetCurrentFolder(dir.path()));
  // 259 is what Windows reports for a process that still runs; a process that really
  // ended with it must not hold the wait for ever.
  WriteFile(dir / "argv_echo.ctl", "exit 259\n");
  Window win;
  EXPECT_NO_THROW(EXPECT_TRUE(ShellandWait(win.w, win.w.services, {Program("argv_echo"), {"x"}}, 0)));
  EXPECT_TRUE(Exists(dir / "argv_echo.txt"));
}

TEST(ShellandWait, TimeOutEndsTheWaitAndLeavesTheProcessRunning) {
  TempDir dir;
  CurrentFolderGuard guard;
  ASSERT_TRUE(sys::SetCurrentFolder(dir.path()));
  WriteFile(dir / "argv_echo.ctl", "sleep 1000\n");
  {
    // A clock one second further at every reading: start 1000, end second 1002, so the
    // third poll (reading 1003) gives up.
    std::vector<double> clock;
    for (int i = 0; i < 50; ++i) clock.push_back(1000.0 + i);
    Window win(clock);
    const auto t0 = Clock::now();
    EXPECT_TRUE(ShellandWait(win.w, win.w.services, {Program("argv_echo"), {"x"}}, 2));
    EXPECT_LT(std::chrono::duration<double>(Clock::now() - t0).count(), 0.9);
    EXPECT_EQ(win.view.events, 3);
    EXPECT_FALSE(Exists(dir / "argv_echo.done"));
    // Still running: it finishes its sleep and writes its last file.
    EXPECT_TRUE(WaitForFile(dir / "argv_echo.done", 20.0));
  }
  {
    // Called at 23:59:55 with 10 seconds: polls before midnight and up to 00:00:05 go on,
    // the first poll after 00:00:05 gives up.
    fs::remove(dir / "argv_echo.done");
    Window win({86395.2, 86399.0, 86399.9, 0.2, 3.0, 5.0, 5.5, 6.0});
    EXPECT_TRUE(ShellandWait(win.w, win.w.services, {Program("argv_echo"), {"x"}}, 10));
    EXPECT_EQ(win.view.events, 6);
    EXPECT_FALSE(Exists(dir / "argv_echo.done"));
    EXPECT_TRUE(WaitForFile(dir / "argv_echo.done", 20.0));
  }
}

// Run only as a process of its own by the test below: ends this program abnormally while
// it waits for a child.
TEST(ShellandWait, ChildEndsAbnormallyWhileWaiting) {
  DRUVO_CHILD_ONLY();
  Window win;
  win.view.onEvents = [] {
    if (Exists("argv_echo.txt")) std::_Exit(3);
  };
  ShellandWait(win.w, win.w.services, {Program("argv_echo"), {"child"}}, 0);
}

TEST(ShellandWait, ChildRunsToItsEndAfterAnAbnormalEnd) {
  TempDir dir;
  CurrentFolderGuard guard;
  ASSERT_TRUE(sys::SetCurrentFolder(dir.path()));
  WriteFile(dir / "argv_echo.ctl", "sleep 1500\n");
  Window win;
  const testing_support::AsChild child("ShellandWait.ChildEndsAbnormallyWhileWaiting");
  ASSERT_TRUE(ShellandWait(win.w, win.w.services, {sys::ExecutablePath(), {child.filter}}, 0));
  EXPECT_NE(ReadFile(dir / "argv_echo.txt").find("\nchild\n"), std::string::npos);
  // Killed with the program, the child would never write its last file (after 1.5 s).
  EXPECT_FALSE(Exists(dir / "argv_echo.done"));
  EXPECT_TRUE(WaitForFile(dir / "argv_echo.done", 20.0));
}
