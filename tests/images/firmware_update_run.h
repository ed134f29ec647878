#pragma once

#include <cstddef>
#include <cstdint>
#include <string>
#include <vector>

#include "images/firmware_update.h"
#include "images/update_catalogue.h"
#include "loader/flash_map.h"
#include "recording_services.h"
#include "srecord_tools.h"
#include "temp_directory.h"
#include "virtual_probe.h"

namespace kvx::test {

inline constexpr char kImageName[] = "KVXARMFW.105";
inline constexpr VersionNumber kImageNumber = 105;
inline constexpr std::uint32_t kImageStart = kFirmwareAreaStart + 4;
inline constexpr std::size_t kFirmwareAreaBytes = 0xC0000;
inline constexpr char kEndRecord[] = "S70501040004F1\n";

// One S3 record line for `data` at `address`.
inline std::string S3(std::uint32_t address, const std::vector<std::uint8_t>& data) {
  return SRecordLine('3', address, data);
}

// A firmware update against the simulator, from an update directory of its own.
struct FirmwareUpdate {
  explicit FirmwareUpdate(const sim::SimulatorOptions& options = VirtualProbe::WithRate(115200))
      : host(options) {}

  ErrorCode Run(VersionNumber number = kImageNumber) {
    const UpdateCatalogue catalogue(updates.Path());
    return UpdateFirmware(host.link,
                          LoadFirmwareImage(catalogue.UpdateFilePath(kFirmwareBaseName, number)),
                          services, progress);
  }
  ErrorCode Run(FirmwareWriteMode mode) {
    return UpdateFirmware(host.link, LoadFirmwareImage(updates.Path() / kImageName), services,
                          progress, mode);
  }

  TempDirectory updates;
  ConnectedVirtualProbe host;
  RecordingServices services;
  FirmwareProgress progress;
};

// What each step reached when it ended: the totals of the progress reports that came to their
// total, in order.
inline std::vector<std::uint64_t> CompletedTotals(const RecordingServices& services) {
  std::vector<std::uint64_t> totals;
  for (const ProgressAmount& amount : services.amounts)
    if (amount.done == amount.total) totals.push_back(amount.total);
  return totals;
}

}  // namespace kvx::test
