#pragma once

#include <QObject>
#include <QString>

#include "app/qt/kvxhs_doc.h"
#include "app/qt/private_profile.h"
#include "app/qt/user_dialogs.h"

namespace kvx::qt {

// The File menu's work on the one document: New, Open, Save, Save As and the recent files,
// each asking first whether to save a modified document, and the recent-file list kept in
// the profile for every document opened or saved.
class DocumentCommands : public QObject {
  Q_OBJECT

 public:
  DocumentCommands(CKvxhsDoc& document, PrivateProfile& profile, const UserDialogs& dialogs,
                   QObject* parent = nullptr);

  void FileNew();
  void FileOpen();
  bool FileSave();
  bool FileSaveAs();
  // Opens the recent file at `index` (0 is the newest); one that fails to open is reported by
  // the document and leaves the list.
  void OpenRecentFile(int index);

  // Opens `path` without asking about the current document (start-up), and lists it.
  bool OpenDocumentFile(const QString& path);

  // For a modified document, asks "Save changes to ...?" and saves on Yes. False when the
  // user cancelled or the save failed: whatever was about to replace the document must not.
  bool SaveModified();

 signals:
  void RecentFilesChanged();

 private:
  bool SaveTo(const QString& path);

  CKvxhsDoc& document_;
  PrivateProfile& profile_;
  const UserDialogs& dialogs_;
};

}  // namespace kvx::qt
