#pragma once

#include <CLI/CLI.hpp>

namespace kvx::cli {

// `kvxctl update`: bring firmware and logic to the newest update files, or with --dry-run
// check the files and say what would be erased and programmed.
void AddUpdateCommand(CLI::App& app, int& exitStatus);

}  // namespace kvx::cli
