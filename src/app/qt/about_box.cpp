#include "app/qt/about_box.h"

#include <QDialogButtonBox>
#include <QGridLayout>
#include <QLabel>

#include "app/frame_commands.h"
#include "app/qt/application_icon.h"

namespace kvx::qt {

AboutBox::AboutBox(QWidget* parent) : QDialog(parent) {
  setWindowTitle(QString::fromLatin1(kAboutCaption));
  auto* icon = new QLabel;
  icon->setPixmap(ApplicationIcon().pixmap(32, 32));
  auto* buttons = new QDialogButtonBox(QDialogButtonBox::Ok);
  connect(buttons, &QDialogButtonBox::accepted, this, &QDialog::accept);

  auto* layout = new QGridLayout(this);
  const std::vector<std::string> lines = AboutLines();
  const int rows = static_cast<int>(lines.size());
  layout->addWidget(icon, 0, 0, rows, 1, Qt::AlignTop);
  for (int row = 0; row < rows; ++row) {
    layout->addWidget(new QLabel(QString::fromStdString(lines[static_cast<std::size_t>(row)])), row,
                      1);
  }
  layout->addWidget(buttons, 0, 2, rows, 1, Qt::AlignTop);
  layout->setSizeConstraint(QLayout::SetFixedSize);
}

}  // namespace kvx::qt
