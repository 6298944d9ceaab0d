// The GUI tests run with a QApplication on the offscreen platform (CTest sets it; listing
// the tests works without a display too).

#include <gtest/gtest.h>

#include <QApplication>
#include <cstdlib>

int main(int argc, char** argv) {
  ::setenv("QT_QPA_PLATFORM", "offscreen", 0);
  ::testing::InitGoogleTest(&argc, argv);
  QApplication application(argc, argv);
  QApplication::setApplicationName("NORVANE");
  return RUN_ALL_TESTS();
}
