#pragma once

#include <deque>
#include <optional>
#include <string>
#include <vector>

#include "app/document_commands.h"
#include "app/profile.h"

namespace kvx::test {

// Answers the main window's dialogs from a script and remembers every message box, so no
// test ever waits for a click.
class ScriptedDialogs {
 public:
  std::vector<MessageBox> messages;
  std::deque<MessageAnswer> answers;      // then OK for every further box
  std::deque<std::string> chosenFiles;    // then Cancel for every further file dialog
  std::vector<std::string> suggestions;   // what each file or folder dialog was opened with
  std::deque<std::string> chosenFolders;  // then Cancel for every further folder dialog
  SetupDialogRunner runSetupDialog = [](const DialogFields&) { return std::nullopt; };

  UserDialogs Dialogs() {
    return {[this](const MessageBox& message) {
              messages.push_back(message);
              return Next(answers, MessageAnswer::kAccepted);
            },
            [this](FileDialogKind, const std::string& suggested) {
              suggestions.push_back(suggested);
              return Next(chosenFiles, std::string());
            },
            [this](const std::string& current) {
              suggestions.push_back(current);
              return Next(chosenFolders, std::string());
            },
            [this](const DialogFields& fields) { return runSetupDialog(fields); }};
  }

  std::vector<std::string> Texts() const {
    std::vector<std::string> texts;
    for (const MessageBox& message : messages) texts.push_back(message.text);
    return texts;
  }

 private:
  template <typename T>
  static T Next(std::deque<T>& script, T otherwise) {
    if (script.empty()) return otherwise;
    T next = script.front();
    script.pop_front();
    return next;
  }
};

// The main window's model as the program makes it, over the profile file `profilePath`, with
// its dialogs answered from a script.
struct ScriptedWindowModel {
  explicit ScriptedWindowModel(const std::string& profilePath) : profile(profilePath) {}

  Profile profile;
  RecentFileList recentFiles{profile};
  ScriptedDialogs dialogs;
  UserDialogs userDialogs = dialogs.Dialogs();
  CKvxhsDoc document{userDialogs.showMessage};
  UpdateFolder updateFolder{profile};
  FastUpdate fastUpdate{profile};
  DocumentCommands commands{document, recentFiles, updateFolder, fastUpdate, userDialogs};
};

}  // namespace kvx::test
