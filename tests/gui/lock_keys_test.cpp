// The main window on an X display of its own, where Caps Lock is pressed as a person presses it.
#include <gtest/gtest.h>

#include <QLabel>
#include <QStatusBar>
#include <QTemporaryDir>
#include <QTest>
#include <cstdlib>

#include "app/qt/main_frame.h"
#include "app/qt/user_dialogs.h"
#include "scripted_dialogs.h"

namespace kvx::qt {
namespace {

// The lock keys' panes are always there, greyed while the lock is off, and follow the key.
TEST(LockKeyPanes, FollowCapsLockPressedOnTheKeyboard) {
  const QTemporaryDir directory;
  test::ScriptedWindowModel model(ToPath(directory.filePath("kvxsetup.ini")));
  CMainFrame frame(model.document, model.commands, model.recentFiles, model.profile);
  frame.show();
  frame.activateWindow();
  ASSERT_TRUE(QTest::qWaitForWindowActive(&frame));
  const QList<QLabel*> labels = frame.statusBar()->findChildren<QLabel*>();
  ASSERT_EQ(labels.size(), 4);
  const auto shown = [&labels] {
    QString panes;
    for (QLabel* pane : labels.mid(1)) panes += pane->text() + (pane->isEnabled() ? "+ " : "- ");
    return panes.trimmed();
  };
  EXPECT_EQ(shown(), "CAP- NUM- SCRL-");
  for (const char* expected : {"CAP+ NUM- SCRL-", "CAP- NUM- SCRL-"}) {
    ASSERT_EQ(std::system("xdotool key Caps_Lock"), 0);
    EXPECT_TRUE(QTest::qWaitFor([&] { return shown() == expected; }, 5000))
        << shown().toStdString();
  }
}

}  // namespace
}  // namespace kvx::qt
