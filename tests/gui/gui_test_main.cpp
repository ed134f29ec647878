#include <gtest/gtest.h>

#include <QApplication>

// Widgets need one application object for the whole run. They draw offscreen unless a
// platform is named, so the tests need no display.
int main(int argc, char** argv) {
  testing::InitGoogleTest(&argc, argv);
  if (qEnvironmentVariableIsEmpty("QT_QPA_PLATFORM")) qputenv("QT_QPA_PLATFORM", "offscreen");
  QApplication application(argc, argv);
  return RUN_ALL_TESTS();
}
