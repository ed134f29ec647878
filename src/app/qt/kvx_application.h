#pragma once

#include <QString>
#include <QStringList>
#include <memory>

#include "app/qt/document_commands.h"
#include "app/qt/kvxhs_doc.h"
#include "app/qt/main_frame.h"
#include "app/qt/private_profile.h"
#include "app/qt/user_dialogs.h"

namespace kvx::qt {

// The application object: the one document, its commands and the main window, started from
// the command line or the recent-file list.
class KvxApplication {
 public:
  KvxApplication(PrivateProfile& profile, UserDialogs dialogs);
  ~KvxApplication();

  // Opens the start-up document and shows the main window. The whole command line after the
  // program's name is a document path; without one, the most recent document is reopened
  // when it exists and may be read and written, and otherwise a new document is made. A
  // most recent document that fails to load is reported and replaced by a new one, so a
  // damaged file cannot stop every start. False, after saying why and without showing a
  // window, when the command-line document could not be opened: the program ends.
  bool InitInstance(const QStringList& arguments);

  CKvxhsDoc& Document() { return document_; }
  // The main window, once InitInstance succeeded.
  CMainFrame* MainFrame() { return frame_.get(); }

 private:
  bool OpenStartupDocument(const QStringList& arguments);

  PrivateProfile& profile_;
  UserDialogs dialogs_;
  CKvxhsDoc document_;
  DocumentCommands commands_;
  std::unique_ptr<CMainFrame> frame_;
};

// The document path a command line names: every argument after the program's name, joined
// by spaces, as the shell split an unquoted path. Empty when there is none.
QString CommandLineDocument(const QStringList& arguments);

// Whether the most recent document should be reopened at start: it exists, may be read and
// written, and is not marked read-only for everybody (which even the superuser respects).
bool ReopenableAtStart(const QString& path);

}  // namespace kvx::qt
