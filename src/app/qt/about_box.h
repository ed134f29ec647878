#pragma once

#include <QDialog>

namespace kvx::qt {

// The program's name and version, with its icon, closed with OK.
class AboutBox : public QDialog {
  Q_OBJECT

 public:
  explicit AboutBox(QWidget* parent = nullptr);
};

}  // namespace kvx::qt
