#pragma once

#include <CLI/CLI.hpp>

namespace kvx::cli {

// `kvxctl info`: connect, show the probe's versions, serial number and MAC address.
void AddInfoCommand(CLI::App& app, int& exitStatus);

}  // namespace kvx::cli
