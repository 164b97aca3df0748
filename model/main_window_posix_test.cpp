#include <gtest/gtest.h>

#include "model/main_window.h"
#include "model/memory_view.h"
#include "test_support.h"

using namespace druvo;

// glibc keeps new variables in the order they were set, so QMVDIRX comes before QMVDIR.
TEST(LoadStep, LongerNameListedFirstEndsTheWalkWithQmvdirsValue) {
  testing_support::UnsetEnv("QMVDIR");
  testing_support::SetEnv("QMVDIRX", "E:\\ELDERS");
  testing_support::SetEnv("QMVDIR", "D:\\QMVDATA");
  MemoryView view;
  MainWindow w(view);
  w.Load();
  EXPECT_EQ(w.sDBPath, "D:\\QMVDATA");
  EXPECT_EQ(view.Text(Control::txtDatabasePath), "D:\\QMVDATA");
  testing_support::UnsetEnv("QMVDIRX");
  testing_support::UnsetEnv("QMVDIR");
}
