#pragma once

#include <CLI/CLI.hpp>

namespace kvx::cli {

// `kvxctl erase`: erase the probe's logic device and all its flash sectors, after asking.
void AddEraseCommand(CLI::App& app, int& exitStatus);

}  // namespace kvx::cli
