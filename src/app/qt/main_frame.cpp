#include "app/qt/main_frame.h"

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

namespace kvx::qt {

namespace {

constexpr int kDefaultWidth = 640;
constexpr int kDefaultHeight = 480;

// The lock keys' panes. Qt cannot tell a lock key's state on every platform, so the panes
// show their names greyed, as they look with the locks off.
const char* const kIndicatorPanes[] = {"CAP", "NUM", "SCRL"};

}  // namespace

CMainFrame::CMainFrame(CKvxhsDoc& document, DocumentCommands& commands, PrivateProfile& profile,
                       const UserDialogs& dialogs, QWidget* parent)
    : QMainWindow(parent),
      document_(document),
      commands_(commands),
      profile_(profile),
      dialogs_(dialogs),
      view_(new CKvxhsView) {
  setWindowIcon(ApplicationIcon());
  setCentralWidget(view_);
  CreateFileMenu();
  CreateSetupMenu();
  CreateViewMenu();
  CreateHelpMenu();
  CreateToolBar();
  CreateStatusBar();
  CreateWindowShortcuts();
  RestorePosition();

  setWindowTitle(document_.WindowTitle());
  connect(&document_, &CKvxhsDoc::StateChanged, this,
          [this] { setWindowTitle(document_.WindowTitle()); });
  connect(&commands_, &DocumentCommands::RecentFilesChanged, this, &CMainFrame::ShowRecentFiles);
  ShowRecentFiles();
}

QAction* CMainFrame::AddAction(QMenu* menu, const QString& text, const QString& statusTip) {
  QAction* action = menu->addAction(text);
  action->setStatusTip(statusTip);
  action->setWhatsThis(statusTip);
  return action;
}

void CMainFrame::CreateFileMenu() {
  QMenu* menu = menuBar()->addMenu(QStringLiteral("&File"));
  newAction_ = AddAction(menu, QStringLiteral("&New"), QStringLiteral("Create a new document"));
  newAction_->setShortcut(QKeySequence(Qt::CTRL | Qt::Key_N));
  newAction_->setIcon(style()->standardIcon(QStyle::SP_FileIcon));
  connect(newAction_, &QAction::triggered, &commands_, &DocumentCommands::FileNew);

  openAction_ =
      AddAction(menu, QStringLiteral("&Open..."), QStringLiteral("Open an existing document"));
  openAction_->setShortcut(QKeySequence(Qt::CTRL | Qt::Key_O));
  openAction_->setIcon(style()->standardIcon(QStyle::SP_DialogOpenButton));
  connect(openAction_, &QAction::triggered, &commands_, &DocumentCommands::FileOpen);

  saveAction_ = AddAction(menu, QStringLiteral("&Save"), QStringLiteral("Save the document"));
  saveAction_->setShortcut(QKeySequence(Qt::CTRL | Qt::Key_S));
  saveAction_->setIcon(style()->standardIcon(QStyle::SP_DialogSaveButton));
  connect(saveAction_, &QAction::triggered, &commands_, &DocumentCommands::FileSave);

  QAction* saveAs = AddAction(menu, QStringLiteral("Save &As..."),
                              QStringLiteral("Save the document with a new name"));
  connect(saveAs, &QAction::triggered, &commands_, &DocumentCommands::FileSaveAs);

  menu->addSeparator();
  noRecentFileAction_ = menu->addAction(QStringLiteral("Recent File"));
  noRecentFileAction_->setEnabled(false);
  for (int index = 0; index < PrivateProfile::kRecentFileCount; ++index) {
    QAction* recent = AddAction(menu, QString(), QStringLiteral("Open this document"));
    connect(recent, &QAction::triggered, &commands_,
            [this, index] { commands_.OpenRecentFile(index); });
    recentFileActions_.append(recent);
  }
  menu->addSeparator();
  QAction* exit = AddAction(menu, QStringLiteral("E&xit"),
                            QStringLiteral("Quit the program; prompts to save the document"));
  connect(exit, &QAction::triggered, this, &QWidget::close);
}

void CMainFrame::CreateSetupMenu() {
  QMenu* menu = menuBar()->addMenu(QStringLiteral("&Setup"));
  setupAction_ = AddAction(menu, QStringLiteral("KVX7000..."),
                           QStringLiteral("Update KVX firmware and store configuration"));
  setupAction_->setIcon(ApplicationIcon());
  connect(setupAction_, &QAction::triggered, &document_,
          [this] { document_.SetupCommand(dialogs_.runSetupDialog); });
}

void CMainFrame::CreateViewMenu() {
  QMenu* menu = menuBar()->addMenu(QStringLiteral("&View"));
  QAction* toolBar =
      AddAction(menu, QStringLiteral("&Toolbar"), QStringLiteral("Show or hide the toolbar"));
  toolBar->setCheckable(true);
  toolBar->setChecked(true);
  connect(toolBar, &QAction::toggled, this, [this](bool on) { toolBar_->setVisible(on); });

  QAction* status =
      AddAction(menu, QStringLiteral("&Status Bar"), QStringLiteral("Show or hide the status bar"));
  status->setCheckable(true);
  status->setChecked(true);
  connect(status, &QAction::toggled, this, [this](bool on) { statusBar()->setVisible(on); });
}

void CMainFrame::CreateHelpMenu() {
  QMenu* menu = menuBar()->addMenu(QStringLiteral("&Help"));
  QAction* index = AddAction(menu, QStringLiteral("&Index"), QStringLiteral("List help topics"));
  connect(index, &QAction::triggered, this, [this] { ShowHelp(HelpWindow::Page::kIndex); });
  QAction* usingHelp = AddAction(menu, QStringLiteral("&Using Help"),
                                 QStringLiteral("Display instructions about how to use help"));
  connect(usingHelp, &QAction::triggered, this, [this] { ShowHelp(HelpWindow::Page::kUsingHelp); });
  menu->addSeparator();
  aboutAction_ = AddAction(menu, QStringLiteral("&About ..."),
                           QStringLiteral("Display program information and version"));
  aboutAction_->setIcon(style()->standardIcon(QStyle::SP_MessageBoxInformation));
  connect(aboutAction_, &QAction::triggered, this, &CMainFrame::ShowAbout);
}

void CMainFrame::CreateToolBar() {
  toolBar_ = addToolBar(QStringLiteral("Toolbar"));
  toolBar_->setObjectName(QStringLiteral("toolBar"));
  toolBar_->setMovable(false);
  contextHelpAction_ = QWhatsThis::createAction(this);
  contextHelpAction_->setStatusTip(
      QStringLiteral("Display help for clicked buttons, menus and windows"));
  toolBar_->addActions({newAction_, openAction_, saveAction_});
  toolBar_->addSeparator();
  toolBar_->addAction(setupAction_);
  toolBar_->addSeparator();
  toolBar_->addActions({aboutAction_, contextHelpAction_});
}

void CMainFrame::CreateStatusBar() {
  statusBar()->addWidget(new QLabel(QStringLiteral("For Help, press F1")), 1);
  for (const char* name : kIndicatorPanes) {
    auto* pane = new QLabel(QString::fromLatin1(name));
    pane->setEnabled(false);
    pane->setFrameShape(QFrame::Panel);
    pane->setFrameShadow(QFrame::Sunken);
    statusBar()->addPermanentWidget(pane);
  }
}

// Commands reached only by their keys: help on F1, context help (its toolbar button carries
// Shift+F1 already) and printing the view.
void CMainFrame::CreateWindowShortcuts() {
  auto* help = new QAction(this);
  help->setShortcut(QKeySequence(Qt::Key_F1));
  connect(help, &QAction::triggered, this, [this] { ShowHelp(HelpWindow::Page::kIndex); });
  auto* print = new QAction(this);
  print->setShortcut(QKeySequence(Qt::CTRL | Qt::Key_P));
  connect(print, &QAction::triggered, view_, &CKvxhsView::FilePrint);
  addActions({help, print});
}

void CMainFrame::RestorePosition() {
  resize(kDefaultWidth, kDefaultHeight);
  const std::optional<QRect> stored = profile_.WindowRect();
  const QRect desktop = QGuiApplication::primaryScreen()->virtualGeometry();
  if (stored && desktop.contains(*stored)) setGeometry(*stored);
}

void CMainFrame::ShowRecentFiles() {
  const QStringList paths = profile_.RecentFiles();
  noRecentFileAction_->setVisible(paths.isEmpty());
  for (int index = 0; index < recentFileActions_.size(); ++index) {
    QAction* action = recentFileActions_[index];
    action->setVisible(index < paths.size());
    if (index >= paths.size()) continue;
    QString shown = QDir::toNativeSeparators(paths[index]);
    action->setText(QStringLiteral("&%1 %2").arg(index + 1).arg(shown.replace('&', "&&")));
  }
}

void CMainFrame::ShowAbout() {
  AboutBox(this).exec();
}

void CMainFrame::ShowHelp(HelpWindow::Page page) {
  if (!help_) help_ = new HelpWindow(this);
  help_->ShowPage(page);
}

void CMainFrame::closeEvent(QCloseEvent* event) {
  constexpr Qt::WindowStates kNotNormal =
      Qt::WindowMinimized | Qt::WindowMaximized | Qt::WindowFullScreen;
  if (!(windowState() & kNotNormal)) profile_.StoreWindowRect(geometry());
  if (commands_.SaveModified()) {
    event->accept();
  } else {
    event->ignore();
  }
}

}  // namespace kvx::qt
