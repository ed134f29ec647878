#pragma once

#include <QIcon>

namespace kvx::qt {

// The program's icon: the main window's, the About box's.
QIcon ApplicationIcon();

}  // namespace kvx::qt
