#include "app/qt/about_box.h"

#include <QDialogButtonBox>
#include <QGridLayout>
#include <QLabel>

#include "app/qt/application_icon.h"
#include "program_version.h"

namespace kvx::qt {

AboutBox::AboutBox(QWidget* parent) : QDialog(parent) {
  setWindowTitle(QStringLiteral("About kvxGDB for ARM"));
  auto* icon = new QLabel;
  icon->setPixmap(ApplicationIcon().pixmap(32, 32));
  auto* buttons = new QDialogButtonBox(QDialogButtonBox::Ok);
  connect(buttons, &QDialogButtonBox::accepted, this, &QDialog::accept);

  auto* layout = new QGridLayout(this);
  layout->addWidget(icon, 0, 0, 3, 1, Qt::AlignTop);
  layout->addWidget(new QLabel(QStringLiteral("KVX7000 Configuration Version 1.05")), 0, 1);
  layout->addWidget(new QLabel(QStringLiteral("for GNU Debugger ARM7/ARM9")), 1, 1);
  // The build this is, for bug reports: the line above names the probe's own release.
  layout->addWidget(new QLabel(QStringLiteral("kvxsetup %1, %2 licence")
                                   .arg(QLatin1String(kProgramVersion), QLatin1String(kLicenceId))),
                    2, 1);
  layout->addWidget(buttons, 0, 2, 3, 1, Qt::AlignTop);
  layout->setSizeConstraint(QLayout::SetFixedSize);
}

}  // namespace kvx::qt
