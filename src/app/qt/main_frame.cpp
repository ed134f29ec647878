#include "app/qt/main_frame.h"

#include <QApplication>
#include <QCloseEvent>
#include <QDir>
#include <QGuiApplication>
#include <QLabel>
#include <QMenuBar>
#include <QScreen>
#include <QStatusBar>
#include <QStyle>
#include <QToolBar>
#include <QWhatsThis>

#include "app/qt/about_box.h"
#include "app/qt/application_icon.h"
#include "app/qt/lock_keys.h"
#include "app/qt/user_dialogs.h"
#include "app/window_placement.h"
#include "ui/messages.h"

namespace kvx::qt {

namespace {

constexpr int kDefaultWidth = 640;
constexpr int kDefaultHeight = 480;

ScreenRect ToScreenRect(const QRect& rect) {
  return {rect.left(), rect.top(), rect.right() + 1, rect.bottom() + 1};
}

QRect FromScreenRect(const ScreenRect& rect) {
  return QRect(QPoint(rect.left, rect.top), QPoint(rect.right - 1, rect.bottom - 1));
}

WindowShowState ShowStateOf(Qt::WindowStates states) {
  if (states & Qt::WindowMinimized) return WindowShowState::kMinimised;
  if (states & (Qt::WindowMaximized | Qt::WindowFullScreen)) return WindowShowState::kMaximised;
  return WindowShowState::kNormal;
}

}  // namespace

CMainFrame::CMainFrame(const CKvxhsDoc& document, DocumentCommands& commands,
                       const RecentFileList& recentFiles, Profile& profile, QWidget* parent)
    : QMainWindow(parent),
      document_(document),
      commands_(commands),
      recentFiles_(recentFiles),
      profile_(profile),
      view_(new CKvxhsView),
      toolBar_(addToolBar(QStringLiteral("Toolbar"))) {
  setWindowIcon(ApplicationIcon());
  setCentralWidget(view_);
  for (const Command& command : FrameCommands()) {
    if (command.id != CommandId::kRecentFile) actions_[command.id] = MakeAction(command);
  }
  for (const Menu& menu : MainMenu()) CreateMenu(menu);
  CreateToolBar();
  CreateStatusBar();
  RestorePosition();
  ShowDocument();
  qApp->installEventFilter(this);
}

QAction* CMainFrame::Action(CommandId id) const {
  const auto found = actions_.find(id);
  return found == actions_.end() ? nullptr : found->second;
}

QAction* CMainFrame::MakeAction(const Command& command) {
  // Context help is Qt's own What's This mode, its action included.
  QAction* action =
      command.id == CommandId::kContextHelp ? QWhatsThis::createAction(this) : new QAction(this);
  if (*command.menuText != '\0') action->setText(QString::fromLatin1(command.menuText));
  if (*command.statusPrompt != '\0') {
    action->setStatusTip(QString::fromLatin1(command.statusPrompt));
    action->setWhatsThis(action->statusTip());
  }
  if (*command.toolTip != '\0') action->setToolTip(QString::fromLatin1(command.toolTip));
  if (command.accelerator.Any()) {
    action->setShortcut(QKeySequence::fromString(
        QString::fromStdString(AcceleratorText(command.accelerator)), QKeySequence::PortableText));
  }
  const bool showsBar =
      command.id == CommandId::kViewToolBar || command.id == CommandId::kViewStatusBar;
  if (command.checkable) {
    action->setCheckable(true);
    action->setChecked(showsBar || commands_.Checked(command.id));
  }
  if (showsBar) {
    connect(action, &QAction::toggled, this, [this, id = command.id](bool shown) {
      (id == CommandId::kViewToolBar ? static_cast<QWidget*>(toolBar_) : statusBar())
          ->setVisible(shown);
    });
  } else if (command.id != CommandId::kContextHelp) {
    connect(action, &QAction::triggered, this, [this, id = command.id] { OnCommand(id); });
  }
  // Commands reached only by their keys work wherever the focus is in the window.
  if (*command.menuText == '\0' && *command.toolTip == '\0') addAction(action);
  return action;
}

void CMainFrame::CreateMenu(const Menu& menu) {
  QMenu* drawn = menuBar()->addMenu(QString::fromLatin1(menu.title));
  for (CommandId id : menu.entries) {
    if (id == CommandId::kSeparator) {
      drawn->addSeparator();
    } else if (id == CommandId::kRecentFile) {
      CreateRecentFileEntries(drawn);
    } else {
      drawn->addAction(actions_.at(id));
    }
  }
}

void CMainFrame::CreateRecentFileEntries(QMenu* menu) {
  const Command& recent = FindCommand(CommandId::kRecentFile);
  noRecentFileAction_ = menu->addAction(QString::fromLatin1(recent.menuText));
  noRecentFileAction_->setEnabled(false);
  for (int index = 0; index < RecentFileList::kSize; ++index) {
    QAction* action = menu->addAction(QString());
    action->setStatusTip(QString::fromLatin1(recent.statusPrompt));
    action->setWhatsThis(action->statusTip());
    connect(action, &QAction::triggered, this, [this, index] {
      commands_.OpenRecentFile(index);
      ShowDocument();
    });
    recentFileActions_.append(action);
  }
}

void CMainFrame::CreateToolBar() {
  toolBar_->setObjectName(QStringLiteral("toolBar"));
  toolBar_->setMovable(false);
  actions_.at(CommandId::kFileNew)->setIcon(style()->standardIcon(QStyle::SP_FileIcon));
  actions_.at(CommandId::kFileOpen)->setIcon(style()->standardIcon(QStyle::SP_DialogOpenButton));
  actions_.at(CommandId::kFileSave)->setIcon(style()->standardIcon(QStyle::SP_DialogSaveButton));
  actions_.at(CommandId::kSetup)->setIcon(ApplicationIcon());
  actions_.at(CommandId::kAbout)->setIcon(style()->standardIcon(QStyle::SP_MessageBoxInformation));
  for (CommandId id : kToolBar) {
    if (id == CommandId::kSeparator) {
      toolBar_->addSeparator();
    } else {
      toolBar_->addAction(actions_.at(id));
    }
  }
}

void CMainFrame::CreateStatusBar() {
  statusBar()->addWidget(new QLabel(QString::fromLatin1(kIdleStatusText)), 1);
  for (const char* name : kIndicatorPanes) {
    auto* pane = new QLabel(QString::fromLatin1(name));
    pane->setFrameShape(QFrame::Panel);
    pane->setFrameShadow(QFrame::Sunken);
    statusBar()->addPermanentWidget(pane);
    lockPanes_.append(pane);
  }
  ShowLockKeys();
}

void CMainFrame::ShowLockKeys() {
  const auto on = LockKeysOn();
  for (qsizetype pane = 0; pane < lockPanes_.size(); ++pane) {
    lockPanes_[pane]->setEnabled(on[static_cast<std::size_t>(pane)]);
  }
}

bool CMainFrame::eventFilter(QObject* watched, QEvent* event) {
  if (event->type() == QEvent::KeyRelease || event->type() == QEvent::ApplicationActivate) {
    ShowLockKeys();
  }
  return QMainWindow::eventFilter(watched, event);
}

void CMainFrame::RestorePosition() {
  resize(kDefaultWidth, kDefaultHeight);
  const QRect desktop = QGuiApplication::primaryScreen()->virtualGeometry();
  if (const auto stored = StoredWindowRect(profile_, ToScreenRect(desktop))) {
    setGeometry(FromScreenRect(*stored));
  }
}

void CMainFrame::OnCommand(CommandId id) {
  if (!commands_.Run(id)) RunFrameCommand(id);
  ShowDocument();
}

void CMainFrame::RunFrameCommand(CommandId id) {
  switch (id) {
    case CommandId::kExit:
      close();
      break;
    case CommandId::kHelpIndex:
    case CommandId::kHelp:
      ShowHelp(HelpWindow::Page::kIndex);
      break;
    case CommandId::kUsingHelp:
      ShowHelp(HelpWindow::Page::kUsingHelp);
      break;
    case CommandId::kAbout:
      AboutBox(this).exec();
      break;
    case CommandId::kFilePrint:
      view_->FilePrint();
      break;
    default:
      break;
  }
}

void CMainFrame::ShowDocument() {
  setWindowTitle(FromPath(document_.WindowTitle()));
  const std::vector<std::string> paths = recentFiles_.Entries();
  noRecentFileAction_->setVisible(paths.empty());
  for (int index = 0; index < recentFileActions_.size(); ++index) {
    QAction* action = recentFileActions_[index];
    const auto entry = static_cast<std::size_t>(index);
    action->setVisible(entry < paths.size());
    if (entry >= paths.size()) continue;
    action->setText(FromPath(RecentFileMenuText(index, paths[entry])));
  }
}

void CMainFrame::ShowHelp(HelpWindow::Page page) {
  if (!help_) help_ = new HelpWindow(this);
  help_->ShowPage(page);
}

void CMainFrame::closeEvent(QCloseEvent* event) {
  KeepWindowRect(profile_, ShowStateOf(windowState()), ToScreenRect(geometry()));
  if (commands_.SaveModified()) {
    event->accept();
  } else {
    event->ignore();
  }
  ShowDocument();
}

}  // namespace kvx::qt
