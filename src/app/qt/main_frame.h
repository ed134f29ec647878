#pragma once

#include <QList>
#include <QMainWindow>
#include <map>

#include "app/document_commands.h"
#include "app/frame_commands.h"
#include "app/kvxhs_doc.h"
#include "app/profile.h"
#include "app/qt/help_window.h"
#include "app/qt/kvxhs_view.h"
#include "app/recent_file_list.h"

class QAction;
class QLabel;
class QMenu;
class QToolBar;

namespace kvx::qt {

// The main window, drawn from the command table: its menus, toolbar and status bar, and the
// empty view. Every command goes to the document's commands or to the window's own; the
// caption and the recent files are shown afresh after each. Its normal rectangle is kept in
// the profile.
class CMainFrame : public QMainWindow {
  Q_OBJECT

 public:
  // Takes the stored position when it lies wholly on the desktop.
  CMainFrame(const CKvxhsDoc& document, DocumentCommands& commands,
             const RecentFileList& recentFiles, Profile& profile, QWidget* parent = nullptr);

  QToolBar& ToolBar() { return *toolBar_; }
  CKvxhsView& View() { return *view_; }
  // The help window, once F1, Index or Using Help has opened it.
  HelpWindow* Help() { return help_; }
  // The action of a command; nullptr for the recent files and separators.
  QAction* Action(CommandId id) const;

 protected:
  // Keeps the normal rectangle, then asks whether to save a modified document; cancelling
  // that keeps the window open.
  void closeEvent(QCloseEvent* event) override;
  // Keys released anywhere in the program, and the program's activation, may have changed a
  // lock key.
  bool eventFilter(QObject* watched, QEvent* event) override;

 private:
  QAction* MakeAction(const Command& command);
  void CreateMenu(const Menu& menu);
  void CreateRecentFileEntries(QMenu* menu);
  void CreateToolBar();
  void CreateStatusBar();
  // The lock keys' panes always show their names, greyed while the lock is off.
  void ShowLockKeys();
  void RestorePosition();
  void OnCommand(CommandId id);
  // The commands that are the window's own rather than the document's.
  void RunFrameCommand(CommandId id);
  void ShowDocument();
  void ShowHelp(HelpWindow::Page page);

  const CKvxhsDoc& document_;
  DocumentCommands& commands_;
  const RecentFileList& recentFiles_;
  Profile& profile_;
  CKvxhsView* view_;
  QToolBar* toolBar_;
  HelpWindow* help_ = nullptr;
  std::map<CommandId, QAction*> actions_;
  QAction* noRecentFileAction_ = nullptr;
  QList<QAction*> recentFileActions_;
  QList<QLabel*> lockPanes_;
};

}  // namespace kvx::qt
