#include "app/document_commands.h"

#include "app/document_file.h"

namespace kvx {

bool DocumentCommands::OpenStartupDocument(const std::string& commandLine) {
  if (!commandLine.empty()) return OpenAndList(commandLine);
  const std::string mostRecent = recentFiles_.MostRecent();
  if (!MayReadAndWrite(mostRecent) || !document_.OpenDocument(mostRecent)) {
    document_.NewDocument();
  }
  return true;
}

void DocumentCommands::FileNew() {
  if (SaveModified()) document_.NewDocument();
}

void DocumentCommands::FileOpen() {
  if (!SaveModified()) return;
  const std::string path = dialogs_.chooseFile(FileDialogKind::kOpen, {});
  if (!path.empty()) OpenAndList(path);
}

bool DocumentCommands::FileSave() {
  if (document_.PathName().empty()) return FileSaveAs();
  return SaveTo(document_.PathName());
}

bool DocumentCommands::FileSaveAs() {
  const std::string suggested =
      document_.PathName().empty() ? document_.Title() + kDocumentExtension : document_.PathName();
  const std::string path = dialogs_.chooseFile(FileDialogKind::kSaveAs, suggested);
  return !path.empty() && SaveTo(path);
}

void DocumentCommands::OpenRecentFile(int index) {
  const std::vector<std::string> paths = recentFiles_.Entries();
  if (index < 0 || static_cast<std::size_t>(index) >= paths.size() || !SaveModified()) return;
  const std::string& path = paths[static_cast<std::size_t>(index)];
  if (!OpenAndList(path)) recentFiles_.Remove(path);
}

void DocumentCommands::Setup() {
  document_.SetupCommand(dialogs_.runSetupDialog);
}

bool DocumentCommands::Run(CommandId id) {
  switch (id) {
    case CommandId::kFileNew:
      FileNew();
      return true;
    case CommandId::kFileOpen:
      FileOpen();
      return true;
    case CommandId::kFileSave:
      FileSave();
      return true;
    case CommandId::kFileSaveAs:
      FileSaveAs();
      return true;
    case CommandId::kSetup:
      Setup();
      return true;
    case CommandId::kUpdateFilesFolder:
      ChooseUpdateFolder();
      return true;
    case CommandId::kFastUpdate:
      fastUpdate_.Toggle();
      return true;
    default:
      return false;
  }
}

bool DocumentCommands::SaveModified() {
  if (!document_.IsModified()) return true;
  const std::string name = document_.PathName().empty() ? document_.Title() : document_.PathName();
  MessageBox question{"Save changes to " + name + "?"};
  question.buttons = MessageButtons::kYesNoCancel;
  switch (dialogs_.showMessage(question)) {
    case MessageAnswer::kYes:
      return FileSave();
    case MessageAnswer::kNo:
      return true;
    default:
      return false;
  }
}

bool DocumentCommands::OpenAndList(const std::string& path) {
  if (!document_.OpenDocument(path)) return false;
  recentFiles_.Add(document_.PathName());
  return true;
}

bool DocumentCommands::SaveTo(const std::string& path) {
  if (!document_.SaveDocument(path)) return false;
  recentFiles_.Add(document_.PathName());
  return true;
}

std::string CommandLineDocument(const std::vector<std::string>& arguments) {
  std::string path;
  for (std::size_t index = 1; index < arguments.size(); ++index) {
    if (index > 1) path += ' ';
    path += arguments[index];
  }
  return path;
}

}  // namespace kvx
