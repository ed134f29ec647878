#pragma once

#include <QObject>
#include <QString>

#include "app/qt/setup_dialog_runner.h"
#include "app/qt/user_dialogs.h"
#include "app/setup_document.h"

namespace kvx::qt {

// The program's one document: the probe's port, speed and network texts, the file they came
// from and whether they changed since. New and Open reuse it.
class CKvxhsDoc : public QObject {
  Q_OBJECT

 public:
  explicit CKvxhsDoc(FrameMessagePresenter showMessage, QObject* parent = nullptr);

  const SetupDocument& Settings() const { return settings_; }
  // The file the document was opened from or last saved to; empty for a new document.
  const QString& PathName() const { return pathName_; }
  // The file's name, or "Untitled" for a new document.
  QString Title() const;
  // "<title> - kvxGDB", the main window's caption.
  QString WindowTitle() const;
  bool IsModified() const { return modified_; }

  // Port, speed, the five texts and `reserved` back to their defaults.
  void ResetToDefaults();
  // An untitled, unmodified document with the defaults.
  void NewDocument();
  // Reads `path`. A file that cannot be read or ends early is reported, and leaves a new
  // document behind, so that saving can never write defaults over the file that failed.
  bool OpenDocument(const QString& path);
  // Writes the document to `path` whether or not it changed. The file is replaced in one step:
  // a failed save is reported and leaves both the old file and the document as they were.
  bool SaveDocument(const QString& path);

  // Runs the Update/Setup dialog on a copy of the settings and takes back all seven values,
  // marking the document modified, when the user left it with OK after changing any of them.
  void SetupCommand(const SetupDialogRunner& runSetupDialog);

 signals:
  // The path, the title or the modified flag changed.
  void StateChanged();

 private:
  void SetPathAndModified(const QString& pathName, bool modified);
  void ReportFailure(const QString& text, const QString& detail);

  FrameMessagePresenter showMessage_;
  SetupDocument settings_;
  QString pathName_;
  bool modified_ = false;
};

}  // namespace kvx::qt
