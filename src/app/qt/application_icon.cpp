#include "app/qt/application_icon.h"

namespace kvx::qt {

QIcon ApplicationIcon() {
  return QIcon(QStringLiteral(":/kvxsetup/kvxsetup.png"));
}

}  // namespace kvx::qt
