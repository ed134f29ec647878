#include "app/qt/kvxhs_view.h"

#include <QPainter>
#include <QPrintDialog>
#include <QPrinter>

namespace kvx::qt {

CKvxhsView::CKvxhsView(QWidget* parent) : QWidget(parent) {
  setBackgroundRole(QPalette::Base);
  setAutoFillBackground(true);
}

void CKvxhsView::FilePrint() {
  QPrinter printer;
  QPrintDialog dialog(&printer, this);
  if (dialog.exec() == QDialog::Accepted) PrintTo(printer);
}

bool CKvxhsView::PrintTo(QPrinter& printer) {
  QPainter painter;
  return painter.begin(&printer) && painter.end();
}

}  // namespace kvx::qt
