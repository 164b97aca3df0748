#include <gtest/gtest.h>
#include <sys/stat.h>
#include <unistd.h>

#include "model/main_window.h"
#include "model/memory_view.h"
#include "test_support.h"
#include "tools/log_view.h"

using namespace druvo;

// A FIFO with no writer would block an open for reading, and a device never ends: both
// are passed over like a missing log.
TEST(AppendLogToView, AFifoOrDeviceNamedLikeALogIsPassedOver) {
  testing_support::TempDir dir;
  MemoryView view;
  MainWindow w{view};
  ASSERT_EQ(mkfifo((dir / "QWIMAPD.Log").c_str(), 0600), 0);
  AppendLogToView(w, dir / "QWIMAPD.Log");
  ASSERT_EQ(symlink("/dev/zero", (dir / "QWAOMVSQ.Log").c_str()), 0);
  AppendLogToView(w, dir / "QWAOMVSQ.Log");
  EXPECT_EQ(w.LogViewText(), "");
  EXPECT_EQ(view.caretMoves, 0);
}
