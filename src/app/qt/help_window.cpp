#include "app/qt/help_window.h"

#include <QTextBrowser>
#include <QVBoxLayout>

#include "app/frame_commands.h"

namespace kvx::qt {

HelpWindow::HelpWindow(QWidget* parent) : QDialog(parent), browser_(new QTextBrowser) {
  setWindowTitle(QString::fromLatin1(kHelpCaption));
  auto* layout = new QVBoxLayout(this);
  layout->addWidget(browser_);
  resize(520, 420);
}

void HelpWindow::ShowPage(Page page) {
  browser_->setSource(QUrl(page == Page::kIndex ? QStringLiteral("qrc:/kvxsetup/help/contents.html")
                                                : QStringLiteral("qrc:/kvxsetup/help/using.html")));
  show();
  raise();
  activateWindow();
}

}  // namespace kvx::qt
