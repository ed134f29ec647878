#include "app/qt/user_dialogs.h"

#include <QApplication>
#include <QFileDialog>
#include <utility>

namespace kvx::qt {

namespace {

constexpr char kDocumentFilter[] = "kvxGDB Setup (*.gdb)";

QMessageBox::StandardButton ShowFrameMessage(const FrameMessage& message) {
  return ExecMessageBox(QApplication::activeWindow(), message);
}

QString ShowFileDialog(FileDialogKind kind, const QString& suggested) {
  QFileDialog dialog(QApplication::activeWindow(), QString(), suggested, kDocumentFilter);
  dialog.setDefaultSuffix("gdb");
  if (kind == FileDialogKind::kSaveAs) {
    dialog.setAcceptMode(QFileDialog::AcceptSave);
  } else {
    dialog.setFileMode(QFileDialog::ExistingFile);
  }
  if (dialog.exec() != QDialog::Accepted) return {};
  return dialog.selectedFiles().value(0);
}

}  // namespace

UserDialogs StandardUserDialogs(SetupDialogRunner runSetupDialog) {
  return {ShowFrameMessage, ShowFileDialog, std::move(runSetupDialog)};
}

}  // namespace kvx::qt
