#pragma once

#include <QWidget>

class QPrinter;

namespace kvx::qt {

// The document's view. The document has nothing to draw; the view gives the main window its
// client area, and printing it yields an empty page.
class CKvxhsView : public QWidget {
  Q_OBJECT

 public:
  explicit CKvxhsView(QWidget* parent = nullptr);

  // Asks for a printer and prints the view there.
  void FilePrint();
  // Prints the (empty) view as one page; false when the printer could not be started.
  static bool PrintTo(QPrinter& printer);
};

}  // namespace kvx::qt
