#pragma once

#include <CLI/CLI.hpp>
#include <filesystem>
#include <string>

#include "images/update_catalogue.h"

namespace kvx::cli {

// kvxctl's exit status: scripts tell a probe failure from a mistyped command line.
inline constexpr int kExitOk = 0;
inline constexpr int kExitFailure = 1;
inline constexpr int kExitUsage = 2;
inline constexpr int kExitInterrupted = 130;  // as a shell reports a program ended by SIGINT

// Each command adds itself, its options and its help to `app`, and sets `exitStatus` when it
// has run.

// `kvxctl info`: connect, show the probe's versions, serial number and MAC address.
void AddInfoCommand(CLI::App& app, int& exitStatus);
// `kvxctl files`: the newest update files and the paths an update would use; no probe.
void AddFilesCommand(CLI::App& app, int& exitStatus);
// `kvxctl update`: bring firmware and logic to the newest update files, or with --dry-run
// check the files and say what would be erased and programmed.
void AddUpdateCommand(CLI::App& app, int& exitStatus);
// `kvxctl read`: read the firmware area and the logic device back into files.
void AddReadCommand(CLI::App& app, int& exitStatus);
// `kvxctl transmit`: write the network setup into the probe's flash and verify it.
void AddTransmitCommand(CLI::App& app, int& exitStatus);
// `kvxctl erase`: erase the probe's logic device and all its flash sectors, after asking.
void AddEraseCommand(CLI::App& app, int& exitStatus);
// `kvxctl ports`: the serial ports present, with what is known of the device behind each.
void AddPortsCommand(CLI::App& app, int& exitStatus);

// For an option that names a file, a folder or a port: an empty value names none (a script's
// unset variable, most likely) and is refused, not taken for the option left out.
inline CLI::Validator NamesA(const std::string& what) {
  return CLI::Validator(
      [what](std::string& value) {
        return value.empty() ? "an empty name names no " + what : std::string();
      },
      "");
}

// --dir: where the update files are; without it $KVXSETUP_UPDATE_DIR or kvxctl's own
// directory, as for the window.
inline void AddDirectoryOption(CLI::App& command, std::string& directory) {
  command
      .add_option("--dir", directory,
                  "Directory of the update files (default: $KVXSETUP_UPDATE_DIR, else the "
                  "program's own directory)")
      ->check(NamesA("folder"));
}

inline std::filesystem::path ChosenUpdateDirectory(const std::string& directory) {
  return directory.empty() ? DefaultUpdateDirectory() : std::filesystem::path(directory);
}

}  // namespace kvx::cli
