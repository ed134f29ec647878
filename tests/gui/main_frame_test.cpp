#include "app/qt/main_frame.h"

#include <gtest/gtest.h>

#include <QGuiApplication>
#include <QMenuBar>
#include <QScreen>
#include <QTemporaryDir>
#include <QTextBrowser>

#include "frame_test_support.h"

namespace kvx::qt {
namespace {

QAction* MenuEntry(QMenuBar* bar, const QString& menu, const QString& text) {
  for (QAction* title : bar->actions()) {
    if (title->text() != menu) continue;
    for (QAction* action : title->menu()->actions()) {
      if (action->text() == text) return action;
    }
  }
  return nullptr;
}

class MainFrameTest : public testing::Test {
 protected:
  std::unique_ptr<CMainFrame> MakeFrame() {
    return std::make_unique<CMainFrame>(document_, commands_, profile_, userDialogs_);
  }

  QTemporaryDir directory_;
  PrivateProfile profile_{directory_.filePath("kvxsetup.ini")};
  ScriptedDialogs dialogs_;
  UserDialogs userDialogs_ = dialogs_.Dialogs();
  CKvxhsDoc document_{userDialogs_.showMessage};
  DocumentCommands commands_{document_, profile_, userDialogs_};
  const QRect desktop_ = QGuiApplication::primaryScreen()->virtualGeometry();
};

TEST_F(MainFrameTest, RecentFilesAppearInTheFileMenuNewestFirst) {
  const auto frame = MakeFrame();
  for (const char* name : {"a.gdb", "b.gdb"}) {
    ASSERT_TRUE(document_.SaveDocument(directory_.filePath(name)));
    ASSERT_TRUE(commands_.OpenDocumentFile(directory_.filePath(name)));
  }
  QAction* newest = MenuEntry(frame->menuBar(), "&File", "&1 " + directory_.filePath("b.gdb"));
  QAction* older = MenuEntry(frame->menuBar(), "&File", "&2 " + directory_.filePath("a.gdb"));
  ASSERT_TRUE(newest && older);
  EXPECT_EQ(frame->windowTitle(), "b.gdb - kvxGDB");

  QFile::remove(directory_.filePath("a.gdb"));
  older->trigger();
  EXPECT_EQ(dialogs_.Texts(), QStringList{"Failed to open document."});
  EXPECT_EQ(profile_.RecentFiles(), QStringList{directory_.filePath("b.gdb")});
  EXPECT_EQ(frame->windowTitle(), "Untitled - kvxGDB");
}

TEST_F(MainFrameTest, StoredPositionIsTakenOnlyWhenWhollyOnTheDesktop) {
  struct Case {
    const char* name;
    QRect stored;
    bool taken;
  };
  const QRect inside(desktop_.topLeft() + QPoint(10, 20), QSize(300, 200));
  const Case cases[] = {
      {"inside", inside, true},
      {"to the desktop's edges", desktop_, true},
      {"one pixel past the right edge", desktop_.adjusted(1, 0, 1, 0), false},
  };
  for (const Case& c : cases) {
    SCOPED_TRACE(c.name);
    profile_.StoreWindowRect(c.stored);
    EXPECT_EQ(MakeFrame()->geometry() == c.stored, c.taken);
  }
}

TEST_F(MainFrameTest, ClosingKeepsTheNormalRectangleButNotAMaximisedOne) {
  const QRect normal(desktop_.topLeft() + QPoint(30, 40), QSize(320, 240));
  for (bool maximised : {false, true}) {
    {
      const auto frame = MakeFrame();
      frame->setGeometry(maximised ? normal.translated(5, 5) : normal);
      maximised ? frame->showMaximized() : frame->show();
      EXPECT_TRUE(frame->close());
    }
    EXPECT_EQ(PrivateProfile(profile_.FilePath()).WindowRect(), normal) << maximised;
  }
}

TEST_F(MainFrameTest, SetupCommandMarksTheDocumentAndClosingAsksToSaveIt) {
  const auto frame = MakeFrame();
  frame->show();
  dialogs_.runSetupDialog = [](DialogFields fields) {
    fields.probeIpAddress = "192.168.0.7";
    return std::optional<DialogFields>(fields);
  };
  MenuEntry(frame->menuBar(), "&Setup", "KVX7000...")->trigger();
  ASSERT_TRUE(document_.IsModified());

  dialogs_.answers = {QMessageBox::Cancel};
  EXPECT_FALSE(frame->close());
  EXPECT_EQ(dialogs_.Texts(), QStringList{"Save changes to Untitled?"});
  EXPECT_EQ(dialogs_.messages.at(0).buttons,
            QMessageBox::Yes | QMessageBox::No | QMessageBox::Cancel);

  dialogs_.answers = {QMessageBox::Yes};
  dialogs_.chosenFiles = {directory_.filePath("kept.gdb")};
  EXPECT_TRUE(frame->close());
  CKvxhsDoc saved(userDialogs_.showMessage);
  ASSERT_TRUE(saved.OpenDocument(directory_.filePath("kept.gdb")));
  EXPECT_EQ(saved.Settings().probeIpAddress, "192.168.0.7");
}

TEST_F(MainFrameTest, HelpOpensTheBundledPages) {
  const auto frame = MakeFrame();
  MenuEntry(frame->menuBar(), "&Help", "&Index")->trigger();
  ASSERT_NE(frame->Help(), nullptr);
  EXPECT_EQ(frame->Help()->Browser().documentTitle(), "kvxGDB Setup");
  MenuEntry(frame->menuBar(), "&Help", "&Using Help")->trigger();
  EXPECT_EQ(frame->Help()->Browser().documentTitle(), "Using Help");
}

}  // namespace
}  // namespace kvx::qt
