#include "app/qt/user_dialogs.h"

#include <QApplication>
#include <QFileDialog>
#include <utility>

#include "app/qt/message_presenter.h"

namespace kvx::qt {

namespace {

MessageAnswer ShowFrameMessage(const MessageBox& message) {
  return ShowMessageBox(QApplication::activeWindow(), message);
}

std::string ShowFileDialog(FileDialogKind kind, const std::string& suggested) {
  QFileDialog dialog(QApplication::activeWindow(), QString(), FromPath(suggested),
                     QString::fromLatin1(kDocumentFilter));
  dialog.setDefaultSuffix(QString::fromLatin1(kDocumentExtension + 1));  // without the dot
  if (kind == FileDialogKind::kSaveAs) {
    dialog.setAcceptMode(QFileDialog::AcceptSave);
  } else {
    dialog.setFileMode(QFileDialog::ExistingFile);
  }
  if (dialog.exec() != QDialog::Accepted) return {};
  return ToPath(dialog.selectedFiles().value(0));
}

std::string ShowFolderDialog(const std::string& current) {
  return ToPath(QFileDialog::getExistingDirectory(
      QApplication::activeWindow(), QString::fromLatin1(kUpdateFolderTitle), FromPath(current)));
}

}  // namespace

UserDialogs StandardUserDialogs(SetupDialogRunner runSetupDialog) {
  return {ShowFrameMessage, ShowFileDialog, ShowFolderDialog, std::move(runSetupDialog)};
}

}  // namespace kvx::qt
