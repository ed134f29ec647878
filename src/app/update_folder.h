#pragma once

#include <filesystem>
#include <functional>
#include <string>

#include "app/profile.h"

namespace kvx {

// The folder dialog's title.
inline constexpr char kUpdateFolderTitle[] = "Update Files Folder";

// Asks for a folder with the window system's folder dialog, starting in `current`; empty when
// the user cancels.
using FolderChooser = std::function<std::string(const std::string& current)>;

// Where the window looks for update files: $KVXSETUP_UPDATE_DIR when it is set, else the folder
// chosen with Setup > Update Files Folder... and kept in the profile, else the program's own
// directory, which for an installed program is not the user's to fill.
class UpdateFolder {
 public:
  explicit UpdateFolder(Profile& profile) : profile_(profile) {}

  std::filesystem::path Path() const;
  // Asks for the folder, starting in the current one, and keeps the answer unless cancelled.
  void Choose(const FolderChooser& choose);

 private:
  Profile& profile_;
};

}  // namespace kvx
