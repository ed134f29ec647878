#pragma once

#include <QString>
#include <functional>

#include "app/qt/message_presenter.h"
#include "app/qt/setup_dialog_runner.h"

namespace kvx::qt {

// Shows a message box and returns the button the user chose.
using FrameMessagePresenter = std::function<QMessageBox::StandardButton(const FrameMessage&)>;

enum class FileDialogKind { kOpen, kSaveAs };

// Asks for a document path, starting from `suggested`; empty when the user cancels.
using FileChooser = std::function<QString(FileDialogKind kind, const QString& suggested)>;

// Everything the window asks of the person at the desk in a modal dialog. Tests answer them
// from a script, so no dialog ever waits for a click.
struct UserDialogs {
  FrameMessagePresenter showMessage;
  FileChooser chooseFile;
  SetupDialogRunner runSetupDialog;
};

// Real message boxes and file dialogs, and the given Update/Setup dialog.
UserDialogs StandardUserDialogs(SetupDialogRunner runSetupDialog);

}  // namespace kvx::qt
