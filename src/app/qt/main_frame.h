#pragma once

#include <QList>
#include <QMainWindow>

#include "app/qt/document_commands.h"
#include "app/qt/help_window.h"
#include "app/qt/kvxhs_doc.h"
#include "app/qt/kvxhs_view.h"
#include "app/qt/private_profile.h"
#include "app/qt/user_dialogs.h"

class QAction;
class QMenu;
class QToolBar;

namespace kvx::qt {

// The main window: File, Setup, View and Help menus, the toolbar, the status bar and the
// empty view. Its caption follows the document; its normal rectangle is kept in the profile.
class CMainFrame : public QMainWindow {
  Q_OBJECT

 public:
  // Takes the stored position when it lies wholly on the desktop.
  CMainFrame(CKvxhsDoc& document, DocumentCommands& commands, PrivateProfile& profile,
             const UserDialogs& dialogs, QWidget* parent = nullptr);

  QToolBar& ToolBar() { return *toolBar_; }
  CKvxhsView& View() { return *view_; }
  // The help window, once F1, Index or Using Help has opened it.
  HelpWindow* Help() { return help_; }

  void ShowAbout();
  void ShowHelp(HelpWindow::Page page);

 protected:
  // Keeps the normal rectangle, then asks whether to save a modified document; cancelling
  // that keeps the window open.
  void closeEvent(QCloseEvent* event) override;

 private:
  void CreateFileMenu();
  void CreateSetupMenu();
  void CreateViewMenu();
  void CreateHelpMenu();
  void CreateToolBar();
  void CreateStatusBar();
  void CreateWindowShortcuts();
  void RestorePosition();
  void ShowRecentFiles();
  QAction* AddAction(QMenu* menu, const QString& text, const QString& statusTip);

  CKvxhsDoc& document_;
  DocumentCommands& commands_;
  PrivateProfile& profile_;
  const UserDialogs& dialogs_;
  CKvxhsView* view_;
  QToolBar* toolBar_ = nullptr;
  HelpWindow* help_ = nullptr;
  QAction* newAction_ = nullptr;
  QAction* openAction_ = nullptr;
  QAction* saveAction_ = nullptr;
  QAction* setupAction_ = nullptr;
  QAction* aboutAction_ = nullptr;
  QAction* contextHelpAction_ = nullptr;
  QAction* noRecentFileAction_ = nullptr;
  QList<QAction*> recentFileActions_;
};

}  // namespace kvx::qt
