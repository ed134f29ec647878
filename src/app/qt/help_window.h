#pragma once

#include <QDialog>

class QTextBrowser;

namespace kvx::qt {

// The program's help, bundled with it: a contents page and a page on using the help.
class HelpWindow : public QDialog {
  Q_OBJECT

 public:
  enum class Page { kIndex, kUsingHelp };

  explicit HelpWindow(QWidget* parent = nullptr);

  void ShowPage(Page page);
  QTextBrowser& Browser() { return *browser_; }

 private:
  QTextBrowser* browser_;
};

}  // namespace kvx::qt
