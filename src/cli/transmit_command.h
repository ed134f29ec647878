#pragma once

#include <CLI/CLI.hpp>

namespace kvx::cli {

// `kvxctl transmit`: write the network setup into the probe's flash and verify it.
void AddTransmitCommand(CLI::App& app, int& exitStatus);

}  // namespace kvx::cli
