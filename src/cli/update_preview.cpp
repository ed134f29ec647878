#include "cli/update_preview.h"

#include <cstdio>
#include <string>

#include "cli/update_traffic.h"
#include "images/fuse_map.h"
#include "loader/flash_map.h"

namespace kvx::cli {

namespace {

std::string SectorList() {
  std::string text;
  for (const std::uint32_t sector : kFirmwareSectors) {
    char address[16];
    std::snprintf(address, sizeof address, "%s0x%08X", text.empty() ? "" : " ", sector);
    text += address;
  }
  return text;
}

// What the update leaves at the marker's place: the marker, or for a file read back from a
// probe what that probe held there.
std::string MarkerPreview(const FirmwareImage& image) {
  if (!image.recordedMarker) return "then the image marker";
  return "then leave the image marker as the file records it: " +
         MarkerWordText(*image.recordedMarker);
}

// Ten bits a byte: a start bit, eight data bits and a stop bit.
double LineSeconds(std::size_t bytes, std::uint32_t baudRate) {
  return static_cast<double>(bytes) * 10.0 / static_cast<double>(baudRate == 0 ? 1 : baudRate);
}

}  // namespace

void PrintPreview(std::FILE* out, const UpdatePlan& plan, std::uint32_t baudRate) {
  const char* notDue = plan.named ? "not named, left as it is" : "up to date, nothing to program";
  const FirmwarePlan& firmware = plan.firmware;
  if (!firmware.due) {
    std::fprintf(out, "Firmware: %s\n", notDue);
  } else if (!plan.FirmwareProblem().empty()) {
    std::fprintf(out, "Firmware: %s\n", plan.FirmwareRefusal().c_str());
  } else {
    std::fprintf(out, "Firmware: %s\n", firmware.path.string().c_str());
    std::fprintf(out, "  would erase sectors %s\n", SectorList().c_str());
    std::fprintf(out, "  would program %zu records, %zu data bytes, %s\n",
                 firmware.image.summary.records, firmware.image.summary.dataBytes,
                 MarkerPreview(firmware.image).c_str());
    const UpdateTraffic traffic = PlanTraffic(firmware.image, firmware.mode);
    std::fprintf(out, "  in %zu program requests%s, %zu read-back requests\n",
                 traffic.programRequests,
                 JoinsRequests(firmware.image, firmware.mode) ? " (joined)" : " (record by record)",
                 traffic.readRequests);
    if (const std::string why = RecordByRecordReason(firmware.image, firmware.mode); !why.empty())
      std::fprintf(out, "  record by record: %s\n", why.c_str());
    std::fprintf(out, "  about %.1f s on the line at %u baud\n",
                 LineSeconds(traffic.wireBytes, baudRate), baudRate);
  }
  const LogicPlan& logic = plan.logic;
  if (!logic.due) {
    std::fprintf(out, "Logic:    %s\n", notDue);
  } else if (!plan.LogicProblem().empty()) {
    std::fprintf(out, "Logic:    %s\n", plan.LogicRefusal().c_str());
  } else {
    std::fprintf(out, "Logic:    %s\n", logic.path.string().c_str());
    std::fprintf(out, "  would erase the EPLD and program %zu rows of %zu fuses, signature %s\n",
                 kFuseRowCount, kFuseRowCharacters, logic.signature.c_str());
    if (!logic.signatureReason.empty())
      std::fprintf(out, "  signature from %s\n", logic.signatureReason.c_str());
  }
  if (!plan.Passes()) std::fprintf(out, "Update:   %s\n", plan.NothingSentReason().c_str());
}

nlohmann::json PreviewJson(const UpdatePlan& plan, std::uint32_t baudRate) {
  const FirmwarePlan& firmware = plan.firmware;
  const LogicPlan& logic = plan.logic;
  const bool programs = firmware.due && plan.FirmwareProblem().empty();
  const UpdateTraffic traffic =
      programs ? PlanTraffic(firmware.image, firmware.mode) : UpdateTraffic{};
  nlohmann::json sectors = nlohmann::json::array();
  if (firmware.due) {
    for (const std::uint32_t sector : kFirmwareSectors) sectors.push_back(sector);
  }
  return {
      {"firmware",
       {{"due", firmware.due},
        {"path", firmware.path.string()},
        {"problem", plan.FirmwareProblem()},
        {"sectors", sectors},
        {"records", firmware.image.summary.records},
        {"dataBytes", firmware.image.summary.dataBytes},
        {"programRequests", traffic.programRequests},
        {"joinedRequests", programs && JoinsRequests(firmware.image, firmware.mode)},
        {"recordByRecordReason", RecordByRecordReason(firmware.image, firmware.mode)},
        {"readRequests", traffic.readRequests},
        {"imageMarker", programs ? MarkerWordText(firmware.image.MarkerToWrite()) : ""},
        {"lineSeconds", LineSeconds(traffic.wireBytes, baudRate)}}},
      {"logic",
       {{"due", logic.due},
        {"path", logic.path.string()},
        {"problem", plan.LogicProblem()},
        {"rows", logic.due ? kFuseRowCount : 0},
        {"signature", logic.signature},
        {"signatureReason", logic.signatureReason}}},
  };
}

}  // namespace kvx::cli
