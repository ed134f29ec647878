#include "app/qt/user_dialogs.h"

#include <QApplication>
#include <QFileDialog>
#include <utility>

namespace kvx::qt {

namespace {

constexpr char kDocumentFilter[] = "kvxGDB Setup (*.gdb)";

QMessageBox::StandardButton ShowMessageBox(const FrameMessage& request) {
  QMessageBox box(request.icon, request.caption, request.text, request.buttons,
                  QApplication::activeWindow());
  if (!request.detail.isEmpty()) box.setDetailedText(request.detail);
  return static_cast<QMessageBox::StandardButton>(box.exec());
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
  return {ShowMessageBox, ShowFileDialog, std::move(runSetupDialog)};
}

}  // namespace kvx::qt
