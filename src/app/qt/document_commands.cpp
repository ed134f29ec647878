#include "app/qt/document_commands.h"

#include <QDir>

namespace kvx::qt {

DocumentCommands::DocumentCommands(CKvxhsDoc& document, PrivateProfile& profile,
                                   const UserDialogs& dialogs, QObject* parent)
    : QObject(parent), document_(document), profile_(profile), dialogs_(dialogs) {}

void DocumentCommands::FileNew() {
  if (SaveModified()) document_.NewDocument();
}

void DocumentCommands::FileOpen() {
  if (!SaveModified()) return;
  const QString path = dialogs_.chooseFile(FileDialogKind::kOpen, QString());
  if (!path.isEmpty()) OpenDocumentFile(path);
}

bool DocumentCommands::FileSave() {
  if (document_.PathName().isEmpty()) return FileSaveAs();
  return SaveTo(document_.PathName());
}

bool DocumentCommands::FileSaveAs() {
  const QString suggested = document_.PathName().isEmpty()
                                ? document_.Title() + QStringLiteral(".gdb")
                                : document_.PathName();
  const QString path = dialogs_.chooseFile(FileDialogKind::kSaveAs, suggested);
  return !path.isEmpty() && SaveTo(path);
}

void DocumentCommands::OpenRecentFile(int index) {
  const QString path = profile_.RecentFiles().value(index);
  if (path.isEmpty() || !SaveModified()) return;
  if (!OpenDocumentFile(path)) {
    profile_.RemoveRecentFile(path);
    emit RecentFilesChanged();
  }
}

bool DocumentCommands::OpenDocumentFile(const QString& path) {
  if (!document_.OpenDocument(path)) return false;
  profile_.AddRecentFile(document_.PathName());
  emit RecentFilesChanged();
  return true;
}

bool DocumentCommands::SaveModified() {
  if (!document_.IsModified()) return true;
  const QString name = document_.PathName().isEmpty()
                           ? document_.Title()
                           : QDir::toNativeSeparators(document_.PathName());
  switch (
      dialogs_.showMessage({QStringLiteral("Save changes to %1?").arg(name), QMessageBox::NoIcon,
                            QMessageBox::Yes | QMessageBox::No | QMessageBox::Cancel, QString()})) {
    case QMessageBox::Yes:
      return FileSave();
    case QMessageBox::No:
      return true;
    default:
      return false;
  }
}

bool DocumentCommands::SaveTo(const QString& path) {
  if (!document_.SaveDocument(path)) return false;
  profile_.AddRecentFile(document_.PathName());
  emit RecentFilesChanged();
  return true;
}

}  // namespace kvx::qt
