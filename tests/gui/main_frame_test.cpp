#include "app/qt/main_frame.h"

#include <gtest/gtest.h>

#include <QFile>
#include <QGuiApplication>
#include <QLabel>
#include <QMenuBar>
#include <QScreen>
#include <QStatusBar>
#include <QTemporaryDir>
#include <QTextBrowser>
#include <QToolBar>
#include <cstdlib>
#include <filesystem>

#include "app/qt/kvx_application.h"
#include "app/qt/user_dialogs.h"
#include "scripted_dialogs.h"
#include "ui/messages.h"

namespace kvx::qt {
namespace {

QMenu* FindMenu(QMenuBar* bar, const QString& title) {
  for (QAction* action : bar->actions()) {
    if (action->text() == title) return action->menu();
  }
  return nullptr;
}

QAction* MenuEntry(QMenuBar* bar, const QString& menu, const QString& text) {
  for (QAction* action : FindMenu(bar, menu)->actions()) {
    if (action->text() == text) return action;
  }
  return nullptr;
}

class MainFrameTest : public testing::Test {
 protected:
  std::unique_ptr<CMainFrame> MakeFrame() {
    return std::make_unique<CMainFrame>(model_.document, model_.commands, model_.recentFiles,
                                        model_.profile);
  }
  std::string PathOf(const char* name) const { return ToPath(directory_.filePath(name)); }

  QTemporaryDir directory_;
  test::ScriptedWindowModel model_{PathOf("kvxsetup.ini")};
  const QRect desktop_ = QGuiApplication::primaryScreen()->virtualGeometry();
};

TEST_F(MainFrameTest, MenusToolbarAndStatusBarAreDrawnFromTheCommandTable) {
  const auto frame = MakeFrame();
  for (const Menu& menu : MainMenu()) {
    SCOPED_TRACE(menu.title);
    QMenu* drawn = FindMenu(frame->menuBar(), menu.title);
    ASSERT_NE(drawn, nullptr);
    QStringList texts;
    for (QAction* action : drawn->actions()) {
      if (action->isVisible()) texts << action->text();
    }
    QStringList expected;
    for (CommandId id : menu.entries) {
      expected << (id == CommandId::kSeparator ? ""
                                               : QString::fromLatin1(FindCommand(id).menuText));
    }
    EXPECT_EQ(texts, expected);
  }
  for (const Command& command : FrameCommands()) {
    QAction* action = frame->Action(command.id);
    if (action == nullptr) continue;
    SCOPED_TRACE(command.statusPrompt);
    EXPECT_EQ(action->shortcut().toString(),
              QString::fromStdString(AcceleratorText(command.accelerator)));
    EXPECT_EQ(action->statusTip(), command.statusPrompt);
    EXPECT_TRUE(!*command.toolTip || action->toolTip() == command.toolTip) << command.toolTip;
  }
  const QList<QAction*> buttons = frame->ToolBar().actions();
  ASSERT_EQ(buttons.size(), static_cast<qsizetype>(kToolBar.size()));
  for (std::size_t index = 0; index < kToolBar.size(); ++index) {
    QAction* button = buttons[static_cast<qsizetype>(index)];
    EXPECT_EQ(button->isSeparator() ? nullptr : button, frame->Action(kToolBar[index])) << index;
  }
  EXPECT_EQ(frame->statusBar()->findChildren<QLabel*>().value(0)->text(), kIdleStatusText);
}

TEST_F(MainFrameTest, RecentFilesAppearNewestFirstAndOpenWhenChosen) {
  for (const char* name : {"a.gdb", "b.gdb"}) {
    ASSERT_TRUE(model_.document.SaveDocument(PathOf(name)));
    model_.recentFiles.Add(PathOf(name));
  }
  const auto frame = MakeFrame();
  QAction* older = MenuEntry(frame->menuBar(), "&File", "&2 " + directory_.filePath("a.gdb"));
  ASSERT_NE(older, nullptr);
  EXPECT_NE(MenuEntry(frame->menuBar(), "&File", "&1 " + directory_.filePath("b.gdb")), nullptr);
  older->trigger();
  EXPECT_EQ(frame->windowTitle(), "a.gdb - kvxGDB");
  EXPECT_NE(MenuEntry(frame->menuBar(), "&File", "&1 " + directory_.filePath("a.gdb")), nullptr);
}

TEST_F(MainFrameTest, ANormalRectangleIsKeptOnClosingAndTakenByTheNextWindow) {
  const QRect normal(desktop_.topLeft() + QPoint(30, 40), QSize(320, 240));
  for (bool maximised : {false, true}) {
    {
      const auto frame = MakeFrame();
      frame->setGeometry(maximised ? normal.translated(5, 5) : normal);
      maximised ? frame->showMaximized() : frame->show();
      EXPECT_TRUE(frame->close());
    }
    EXPECT_EQ(MakeFrame()->geometry(), normal) << maximised;
  }
}

TEST_F(MainFrameTest, SetupCommandMarksTheDocumentAndClosingAsksToSaveIt) {
  const auto frame = MakeFrame();
  frame->show();
  model_.dialogs.runSetupDialog = [](DialogFields fields) {
    fields.network.probeIpAddress = "192.168.0.7";
    return std::optional<DialogFields>(fields);
  };
  MenuEntry(frame->menuBar(), "&Setup", "KVX7000...")->trigger();
  ASSERT_TRUE(model_.document.IsModified());

  model_.dialogs.answers = {MessageAnswer::kCancel};
  EXPECT_FALSE(frame->close());
  model_.dialogs.answers = {MessageAnswer::kYes};
  model_.dialogs.chosenFiles = {PathOf("kept.gdb")};
  EXPECT_TRUE(frame->close());
  EXPECT_EQ(model_.dialogs.Texts(),
            (std::vector<std::string>{"Save changes to Untitled?", "Save changes to Untitled?"}));
  EXPECT_FALSE(model_.document.IsModified());
  EXPECT_EQ(frame->windowTitle(), "kept.gdb - kvxGDB");
}

// The folder chosen is kept in the profile and used from then on; cancelling keeps the last
// one, and the environment variable still comes first.
TEST_F(MainFrameTest, UpdateFilesFolderIsChosenFromTheSetupMenuAndKept) {
  unsetenv("KVXSETUP_UPDATE_DIR");
  const auto frame = MakeFrame();
  const std::filesystem::path programDirectory = model_.updateFolder.Path();
  model_.dialogs.chosenFolders = {PathOf("updates")};
  QAction* entry = MenuEntry(frame->menuBar(), "&Setup", "Update Files &Folder...");
  entry->trigger();
  entry->trigger();
  EXPECT_EQ(model_.dialogs.suggestions,
            (std::vector<std::string>{programDirectory.string(), PathOf("updates")}));
  EXPECT_EQ(UpdateFolder(model_.profile).Path(), PathOf("updates"));
  setenv("KVXSETUP_UPDATE_DIR", "/srv/kvx7000", 1);
  EXPECT_EQ(model_.updateFolder.Path(), "/srv/kvx7000");
  unsetenv("KVXSETUP_UPDATE_DIR");
}

// Fast Update is off until the user turns it on, and stays as the user left it.
TEST_F(MainFrameTest, FastUpdateIsOffUntilTurnedOnAndIsKeptInTheProfile) {
  {
    const auto frame = MakeFrame();
    QAction* entry = MenuEntry(frame->menuBar(), "&Setup", "Fast &Update");
    ASSERT_NE(entry, nullptr);
    EXPECT_TRUE(entry->isCheckable());
    EXPECT_FALSE(entry->isChecked());
    EXPECT_FALSE(model_.fastUpdate.WriteMode().joined);
    entry->trigger();
    EXPECT_TRUE(entry->isChecked());
    EXPECT_TRUE(model_.fastUpdate.WriteMode().joined);
    EXPECT_TRUE(model_.fastUpdate.WriteMode().verify);
  }
  const auto next = MakeFrame();
  EXPECT_TRUE(MenuEntry(next->menuBar(), "&Setup", "Fast &Update")->isChecked());
}

TEST_F(MainFrameTest, HelpOpensTheBundledPages) {
  const auto frame = MakeFrame();
  MenuEntry(frame->menuBar(), "&Help", "&Index")->trigger();
  ASSERT_NE(frame->Help(), nullptr);
  EXPECT_EQ(frame->Help()->Browser().documentTitle(), "kvxGDB Setup");
  MenuEntry(frame->menuBar(), "&Help", "&Using Help")->trigger();
  EXPECT_EQ(frame->Help()->Browser().documentTitle(), "Using Help");
}

TEST(ApplicationStartup, ShowsTheWindowOnlyWhenTheStartupDocumentOpened) {
  const QTemporaryDir directory;
  Profile profile(ToPath(directory.filePath("kvxsetup.ini")));
  for (bool missing : {false, true}) {
    test::ScriptedDialogs dialogs;
    UpdateFolder updateFolder(profile);
    KvxApplication application(profile, updateFolder, dialogs.Dialogs());
    QStringList arguments{"kvxsetup"};
    if (missing) arguments << directory.filePath("absent.gdb");
    EXPECT_EQ(application.InitInstance(arguments), !missing);
    EXPECT_EQ(application.MainFrame() != nullptr, !missing);
    EXPECT_TRUE(missing || application.MainFrame()->windowTitle() == "Untitled - kvxGDB");
  }
}

}  // namespace
}  // namespace kvx::qt
