#pragma once

#include <QStringList>
#include <memory>

#include "app/document_commands.h"
#include "app/kvxhs_doc.h"
#include "app/profile.h"
#include "app/qt/main_frame.h"
#include "app/recent_file_list.h"

namespace kvx::qt {

// The application object: the one document, its commands and the main window, started from
// the command line or the recent-file list.
class KvxApplication {
 public:
  KvxApplication(Profile& profile, UpdateFolder& updateFolder, UserDialogs dialogs);
  ~KvxApplication();

  // Opens the start-up document and shows the main window; false, after saying why and
  // without showing a window, when the document the command line names could not be opened:
  // the program ends.
  bool InitInstance(const QStringList& arguments);

  CKvxhsDoc& Document() { return document_; }
  // The main window, once InitInstance succeeded.
  CMainFrame* MainFrame() { return frame_.get(); }

 private:
  Profile& profile_;
  UserDialogs dialogs_;
  RecentFileList recentFiles_;
  CKvxhsDoc document_;
  FastUpdate fastUpdate_;
  DocumentCommands commands_;
  std::unique_ptr<CMainFrame> frame_;
};

}  // namespace kvx::qt
