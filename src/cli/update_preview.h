#pragma once

#include <filesystem>
#include <nlohmann/json.hpp>
#include <string>

#include "images/firmware_update.h"
#include "images/update_catalogue.h"
#include "loader/probe_identity.h"

namespace kvx::cli {

// What an update would do to the connected probe, found by reading both files completely
// without sending anything that changes the probe.
struct FirmwarePreview {
  bool due = false;  // the newest file number differs from the probe's version
  std::filesystem::path path;
  std::string problem;  // why the file would fail the update; empty when it would pass
  ImageSummary image;
};

struct LogicPreview {
  bool due = false;
  std::filesystem::path path;
  std::string problem;
  std::string signature;
};

struct UpdatePreview {
  FirmwarePreview firmware;
  LogicPreview logic;
  bool Passes() const { return firmware.problem.empty() && logic.problem.empty(); }
};

UpdatePreview PreviewUpdate(const UpdateCatalogue& catalogue, const ProbeIdentity& identity,
                            VersionNumber newestFirmware, VersionNumber newestLogic);

void PrintPreview(const UpdatePreview& preview);
nlohmann::json PreviewJson(const UpdatePreview& preview);

}  // namespace kvx::cli
