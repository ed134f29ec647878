#pragma once

#include <cstdint>
#include <filesystem>
#include <string>
#include <vector>

#include "fuse_pattern.h"
#include "loader/flash_map.h"
#include "loader/probe_identity.h"
#include "sim/simulator_options.h"
#include "sim/version_words.h"
#include "srecord_tools.h"
#include "temp_directory.h"

namespace kvx::test {

// A simulated probe at 115200 baud that reports these firmware and logic versions.
inline sim::SimulatorOptions ProbeWithVersions(VersionNumber firmware, VersionNumber logic) {
  sim::SimulatorOptions options;
  options.rate = 115200;
  options.identity.firmwareWord = static_cast<std::uint16_t>(sim::kFirmwareWordBase + firmware);
  options.identity.logicWord = static_cast<std::uint16_t>(sim::kLogicWordBase + logic);
  return options;
}

// The firmware image's first word after the marker is its version, as the probe reports it.
inline std::vector<std::uint8_t> FirmwareBinary(VersionNumber version, std::size_t bytes = 2000) {
  std::vector<std::uint8_t> binary = PatternBytes(bytes);
  binary[0] = static_cast<std::uint8_t>((sim::kFirmwareWordBase + version) >> 8);
  binary[1] = static_cast<std::uint8_t>(sim::kFirmwareWordBase + version);
  return binary;
}

// A directory of update files, as found beside the program.
class UpdateFiles : public TempDirectory {
 public:
  static constexpr unsigned kRecordBytes = 32;

  // An image of `bytes` bytes in records of 32 data bytes.
  void AddFirmware(VersionNumber number, std::size_t bytes = 2000) const {
    AddFirmwareFile("KVXARMFW." + std::to_string(number), number, bytes);
  }
  // The same under a name of the caller's; returns its path.
  std::filesystem::path AddFirmwareFile(const std::string& name, VersionNumber version,
                                        std::size_t bytes = 2000) const {
    // The header names the file it was made in, as objcopy's does, so an image is as long as
    // objcopy's would be and each progress step the same.
    return Write(name, ObjcopyLikeImage(FirmwareBinary(version, bytes), kFirmwareAreaStart + 4,
                                        kRecordBytes, (scratch_ / "output.srec").string()));
  }
  void AddLogic(const std::string& name) const { Write(name, JedecFileText()); }

 private:
  TempDirectory scratch_;
};

// An update directory as a release ships it: firmware 1.05 made by objcopy from an image of
// `firmwareBytes` that starts with its version word (none when 0), and logic 1.05.
class ReleaseFiles : public UpdateFiles {
 public:
  explicit ReleaseFiles(std::size_t firmwareBytes = 2000) {
    if (firmwareBytes != 0) AddFirmware(105, firmwareBytes);
    AddLogic("KVXLOG70.105");
  }
  std::string Dir() const { return Path().string(); }
};

}  // namespace kvx::test
