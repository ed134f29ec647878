#pragma once

#include <functional>
#include <string>
#include <vector>

#include "app/fast_update.h"
#include "app/frame_commands.h"
#include "app/kvxhs_doc.h"
#include "app/recent_file_list.h"
#include "app/update_folder.h"

namespace kvx {

enum class FileDialogKind { kOpen, kSaveAs };

// Asks for a document path with the window system's file dialog, starting from `suggested`;
// empty when the user cancels.
using FileChooser = std::function<std::string(FileDialogKind kind, const std::string& suggested)>;

// Everything the main window asks of the person at the desk in a modal dialog. Tests answer
// them from a script, so no dialog ever waits for a click.
struct UserDialogs {
  MessagePresenter showMessage;
  FileChooser chooseFile;
  FolderChooser chooseFolder;
  SetupDialogRunner runSetupDialog;
};

// The main window's work on the one document: New, Open, Save, Save As, the recent files,
// Setup, the update files' folder and Fast Update, each New or Open asking first whether to save a
// modified document, and the recent-file list kept for every document opened or saved. The window
// shows the document's title and the list afresh after each command.
class DocumentCommands {
 public:
  DocumentCommands(CKvxhsDoc& document, RecentFileList& recentFiles, UpdateFolder& updateFolder,
                   FastUpdate& fastUpdate, const UserDialogs& dialogs)
      : document_(document),
        recentFiles_(recentFiles),
        updateFolder_(updateFolder),
        fastUpdate_(fastUpdate),
        dialogs_(dialogs) {}

  // The document the program starts with. `commandLine` is a document path (empty for none):
  // that document is opened, and when it cannot be, the program ends (false). Without one, the
  // most recent document is reopened when it exists and may be read and written, and
  // otherwise a new document is made. A most recent document that fails to load is reported
  // and replaced by a new one, so a damaged file cannot stop every start.
  bool OpenStartupDocument(const std::string& commandLine);

  void FileNew();
  void FileOpen();
  bool FileSave();
  bool FileSaveAs();
  // Opens the recent file at `index` (0 is the newest); one that fails to open is reported by
  // the document and leaves the list.
  void OpenRecentFile(int index);
  void Setup();
  void ChooseUpdateFolder() { updateFolder_.Choose(dialogs_.chooseFolder); }
  // Runs the main window's command `id` when it is one of the above (New, Open, Save, Save As,
  // Setup, Update Files Folder, Fast Update); false for a command of the window's own.
  bool Run(CommandId id);
  // Whether the checkable command `id` of the above is on (its menu entry's check mark).
  bool Checked(CommandId id) const { return id == CommandId::kFastUpdate && fastUpdate_.On(); }

  // For a modified document, asks "Save changes to ...?" and saves on Yes. False when the
  // user cancelled or the save failed: whatever was about to replace the document must not.
  bool SaveModified();

 private:
  bool OpenAndList(const std::string& path);
  bool SaveTo(const std::string& path);

  CKvxhsDoc& document_;
  RecentFileList& recentFiles_;
  UpdateFolder& updateFolder_;
  FastUpdate& fastUpdate_;
  const UserDialogs& dialogs_;
};

// The document path a command line names: every argument after the program's name, joined by
// spaces, as the shell split an unquoted path. Empty when there is none.
std::string CommandLineDocument(const std::vector<std::string>& arguments);

}  // namespace kvx
