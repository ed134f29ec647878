#pragma once

#include <CLI/CLI.hpp>
#include <filesystem>
#include <string>

#include "images/update_catalogue.h"

namespace kvx::cli {

// --dir: where the update files are; without it $KVXSETUP_UPDATE_DIR or kvxctl's own
// directory, as for the window.
inline void AddDirectoryOption(CLI::App& command, std::string& directory) {
  command.add_option("--dir", directory,
                     "Directory of the update files (default: $KVXSETUP_UPDATE_DIR, else the "
                     "program's own directory)");
}

inline std::filesystem::path ChosenUpdateDirectory(const std::string& directory) {
  return directory.empty() ? DefaultUpdateDirectory() : std::filesystem::path(directory);
}

}  // namespace kvx::cli
