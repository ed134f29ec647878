#pragma once

#include <CLI/CLI.hpp>

namespace kvx::cli {

// `kvxctl ports`: the serial ports present, with what is known of the device behind each.
void AddPortsCommand(CLI::App& app, int& exitStatus);

}  // namespace kvx::cli
