#pragma once

#include <CLI/CLI.hpp>

namespace kvx::cli {

// `kvxctl files`: the newest update files and the paths an update would use; no probe.
void AddFilesCommand(CLI::App& app, int& exitStatus);

}  // namespace kvx::cli
