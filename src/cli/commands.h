#pragma once

#include <CLI/CLI.hpp>
#include <cstdio>
#include <filesystem>
#include <string>
#include <vector>

#include "app/document_to_send.h"
#include "cli/command_io.h"
#include "cli/probe_session.h"
#include "images/update_catalogue.h"

namespace kvx::cli {

// kvxctl's exit status: scripts tell a probe failure from a mistyped command line.
inline constexpr int kExitOk = 0;
inline constexpr int kExitFailure = 1;
inline constexpr int kExitUsage = 2;
inline constexpr int kExitInterrupted = 130;  // as a shell reports a program ended by SIGINT

// Each command's request as its command line gives it, and the function that carries it out
// and returns the exit status. Add...Command adds the command, its options and its help to
// `app`; once the command line is parsed, the request runs with `io` and `exitStatus` takes
// what it returns.

// `kvxctl ports`: the serial ports present, with what is known of the device behind each.
struct PortsRequest {
  bool json = false;
};
int RunPorts(const PortsRequest& request, const CommandIo& io);
void AddPortsCommand(CLI::App& app, const CommandIo& io, int& exitStatus);

// `kvxctl info`: connect, show the probe's versions, serial number and MAC address.
struct InfoRequest {
  ProbeOptions probe;
};
int RunInfo(const InfoRequest& request, const CommandIo& io);
void AddInfoCommand(CLI::App& app, const CommandIo& io, int& exitStatus);

// `kvxctl files`: the newest update files and the paths an update would use; no probe.
struct FilesRequest {
  std::string directory;  // empty for the default
  bool json = false;
};
int RunFilesCommand(const FilesRequest& request, const CommandIo& io);
void AddFilesCommand(CLI::App& app, const CommandIo& io, int& exitStatus);

// `kvxctl update`: bring firmware and logic to the newest update files, or with --dry-run
// check the files and say what would be erased and programmed.
struct UpdateRequest {
  ProbeOptions probe;
  std::string directory;
  std::string firmwareFile;
  std::string logicFile;
  bool dryRun = false;
  // Joined requests and the read-back before the marker together take about as long as the
  // window's record-by-record exchange alone, and a flash cell that fails silently is caught
  // before the image is marked good.
  FirmwareWriteMode mode{true, true};
};
int RunUpdate(const UpdateRequest& request, const CommandIo& io);
void AddUpdateCommand(CLI::App& app, const CommandIo& io, int& exitStatus);

// `kvxctl read`: read the firmware area and the logic device back into files.
struct ReadRequest {
  ProbeOptions probe;
  std::string firmwareFile;  // empty when not to be read
  std::string logicFile;
  bool force = false;
};
int RunRead(const ReadRequest& request, const CommandIo& io);
void AddReadCommand(CLI::App& app, const CommandIo& io, int& exitStatus);

// `kvxctl transmit`: write the network setup into the probe's flash and verify it.
struct TransmitRequest {
  ProbeOptions probe;
  bool speedGiven = false;
  std::string documentPath;
  std::string settingsPath;
  std::vector<GivenText> given;  // the texts given as options
};
int RunTransmit(const TransmitRequest& request, const CommandIo& io);
void AddTransmitCommand(CLI::App& app, const CommandIo& io, int& exitStatus);

// `kvxctl erase`: erase the probe's logic device and all its flash sectors, after asking.
struct EraseRequest {
  ProbeOptions probe;
  bool yes = false;
};
int RunErase(const EraseRequest& request, const CommandIo& io);
void AddEraseCommand(CLI::App& app, const CommandIo& io, int& exitStatus);

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
