#pragma once

#include <QString>

#include "app/document_commands.h"

namespace kvx::qt {

// Real message boxes and file dialogs over the active window, and the given Update/Setup
// dialog.
UserDialogs StandardUserDialogs(SetupDialogRunner runSetupDialog);

// Paths between Qt and the program's narrow strings, in the system's encoding of file names.
inline QString FromPath(const std::string& path) {
  return QString::fromLocal8Bit(path.data(), static_cast<qsizetype>(path.size()));
}
inline std::string ToPath(const QString& path) {
  return path.toLocal8Bit().toStdString();
}

}  // namespace kvx::qt
