#include "cli/update_preview.h"

#include <cstdio>
#include <optional>

#include "images/firmware_update.h"
#include "images/fuse_map.h"
#include "images/jedec_reader.h"
#include "images/text_file.h"
#include "images/user_signature.h"
#include "loader/flash_map.h"

namespace kvx::cli {

namespace {

FirmwarePreview PreviewFirmware(const UpdateCatalogue& catalogue, VersionNumber number) {
  FirmwarePreview preview;
  preview.due = true;
  preview.path = catalogue.UpdateFilePath(kFirmwareBaseName, number);
  const std::optional<std::string> content =
      preview.path.empty() ? std::nullopt : ReadWholeFile(preview.path);
  if (!content) {
    preview.problem = "no firmware file can be read";
  } else if (const std::optional<ImageSummary> summary = CheckFirmwareImage(*content)) {
    preview.image = *summary;
  } else {
    preview.problem = "not an S-record image that lies wholly in the firmware area";
  }
  return preview;
}

const char* JedecProblem(JedecParseResult result) {
  switch (result) {
    case JedecParseResult::kNoFuseMarker:
      return "no fuse list (a line \"*L00000\") in the JEDEC file";
    case JedecParseResult::kBadFuseRow:
      return "a fuse row of the JEDEC file does not hold 240 fuses";
    case JedecParseResult::kRead:
      break;
  }
  return "";
}

LogicPreview PreviewLogic(const UpdateCatalogue& catalogue, const ProbeIdentity& identity,
                          VersionNumber number) {
  LogicPreview preview;
  preview.due = true;
  preview.path = catalogue.LogicFilePath(identity.serialNumber, number);
  preview.signature = MakeUserSignatureText(number);
  const std::optional<std::string> content =
      preview.path.empty() ? std::nullopt : ReadWholeFile(preview.path);
  FuseMap map;
  if (!content) {
    preview.problem = "no logic file can be read";
  } else {
    preview.problem = JedecProblem(ParseJedecText(*content, map));
  }
  return preview;
}

std::string SectorList() {
  std::string text;
  for (const std::uint32_t sector : kFirmwareSectors) {
    char address[16];
    std::snprintf(address, sizeof address, "%s0x%08X", text.empty() ? "" : " ", sector);
    text += address;
  }
  return text;
}

}  // namespace

UpdatePreview PreviewUpdate(const UpdateCatalogue& catalogue, const ProbeIdentity& identity,
                            VersionNumber newestFirmware, VersionNumber newestLogic) {
  UpdatePreview preview;
  if (newestFirmware != identity.firmwareVersion) {
    preview.firmware = PreviewFirmware(catalogue, newestFirmware);
  }
  if (newestLogic != identity.logicVersion) {
    preview.logic = PreviewLogic(catalogue, identity, newestLogic);
  }
  return preview;
}

void PrintPreview(const UpdatePreview& preview) {
  const FirmwarePreview& firmware = preview.firmware;
  if (!firmware.due) {
    std::printf("Firmware: up to date, nothing to program\n");
  } else if (!firmware.problem.empty()) {
    std::printf("Firmware: %s: %s\n", firmware.path.string().c_str(), firmware.problem.c_str());
  } else {
    std::printf("Firmware: %s\n", firmware.path.string().c_str());
    std::printf("  would erase sectors %s\n", SectorList().c_str());
    std::printf("  would program %zu records, %zu data bytes, then the image marker\n",
                firmware.image.records, firmware.image.dataBytes);
  }
  const LogicPreview& logic = preview.logic;
  if (!logic.due) {
    std::printf("Logic:    up to date, nothing to program\n");
  } else if (!logic.problem.empty()) {
    std::printf("Logic:    %s: %s\n", logic.path.string().c_str(), logic.problem.c_str());
  } else {
    std::printf("Logic:    %s\n", logic.path.string().c_str());
    std::printf("  would erase the EPLD and program %zu rows of %zu fuses, signature %s\n",
                kFuseRowCount, kFuseRowCharacters, logic.signature.c_str());
  }
}

nlohmann::json PreviewJson(const UpdatePreview& preview) {
  const FirmwarePreview& firmware = preview.firmware;
  const LogicPreview& logic = preview.logic;
  nlohmann::json sectors = nlohmann::json::array();
  if (firmware.due) {
    for (const std::uint32_t sector : kFirmwareSectors) sectors.push_back(sector);
  }
  return {
      {"firmware",
       {{"due", firmware.due},
        {"path", firmware.path.string()},
        {"problem", firmware.problem},
        {"sectors", sectors},
        {"records", firmware.image.records},
        {"dataBytes", firmware.image.dataBytes}}},
      {"logic",
       {{"due", logic.due},
        {"path", logic.path.string()},
        {"problem", logic.problem},
        {"rows", logic.due ? kFuseRowCount : 0},
        {"signature", logic.signature}}},
  };
}

}  // namespace kvx::cli
