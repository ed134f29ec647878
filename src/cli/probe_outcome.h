#pragma once

#include <cstdint>
#include <filesystem>
#include <optional>
#include <string>
#include <vector>

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

// What a command learnt of one probe beyond the dialog's own state, kept as values for the
// text report, the JSON record and the board alike.
struct ProbeOutcome {
  // The setup block as the probe holds it, once read.
  std::optional<StoredNetworkSetup> networkSetup;
  // The files an update programmed or a read wrote, with whether each was finished.
  std::vector<FileProof> files;
  // The image marker's state, when the firmware area was read.
  std::optional<ImageMarkerState> imageMarker;
  // An update that found every part as it would have made it.
  bool alreadyUpToDate = false;
};

// "present", "erased" or "other", as records and reports name the marker's state.
const char* MarkerStateName(ImageMarkerState state);

// What an update that had nothing to do says of itself, in text and JSON.
inline constexpr char kAlreadyUpToDate[] = "already up to date";

}  // namespace kvx::cli
