#pragma once

#include <cstdint>
#include <filesystem>
#include <memory>
#include <optional>
#include <string>
#include <vector>

#include "app/update_plan.h"
#include "images/probe_readback.h"
#include "loader/version_number.h"
#include "setup/setup_block.h"

namespace kvx::cli {

// A file that went into a probe or came out of one, named so that a record proves which:
// its size and SHA-256 are those of the bytes that were used.
struct FileProof {
  std::string part;  // "firmware" or "logic"
  std::filesystem::path path;
  VersionNumber version = 0;  // 0 when the file gives none
  std::uintmax_t size = 0;
  std::string sha256;
  bool done = false;  // programmed and checked, or written whole
};

// The proof of `bytes`, the content of the file at `path`.
FileProof ProveFile(std::string part, std::filesystem::path path, VersionNumber version,
                    const std::string& bytes);

// The versions a probe holds as far as the run knows, as shown ("1.05", "unknown").
struct VersionTexts {
  std::string firmware;
  std::string logic;
};

// Everything a command learnt of one probe, from Connect to the closed port, as values: the
// text report, the board's line, the JSON record and the report file are all made from it.
struct ProbeOutcome {
  std::string port;
  std::string host;  // where, and by whom, the probe was served
  std::string user;
  bool connected = false;
  bool passed = false;
  bool interrupted = false;
  std::uint32_t baudRate = 0;

  // The probe as it answered.
  std::string loaderVersion;
  VersionNumber loaderVersionWord = 0;
  std::string serialNumber;
  std::string macAddress;
  VersionTexts before;  // at Connect
  VersionTexts after;   // when the action ended

  std::uint64_t bytesExchanged = 0;
  double bytesPerSecond = 0;
  double seconds = 0;

  // The dialog's last status text, the texts of its message boxes, and why it failed.
  std::string status;
  std::vector<std::string> messages;
  std::string reason;

  // What the command itself found or did.
  bool firmwareIncomplete = false;
  std::optional<StoredNetworkSetup> networkSetup;   // the setup block, as read
  std::optional<NetworkSetupTexts> networkWritten;  // the texts sent to the setup block
  std::shared_ptr<const UpdatePlan> preview;        // what a dry run found
  std::vector<FileProof> files;                     // programmed, or written by a read
  std::optional<ImageMarkerState> imageMarker;      // when the firmware area was read
  bool alreadyUpToDate = false;                     // an update with nothing due
};

// What an update that had nothing to do says of itself, in text and JSON.
inline constexpr char kAlreadyUpToDate[] = "already up to date";

}  // namespace kvx::cli
