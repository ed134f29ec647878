#include "cli/update_traffic.h"

#include "loader/flash_map.h"

namespace kvx::cli {

namespace {

// Frame bytes around a payload: the 2-byte header, DLE STX, DLE ETX and the checksum.
constexpr std::size_t kFrameBytes = 2 + 5;
// Request and reply payloads of the update's commands, data not counted.
constexpr std::size_t kEraseExchangeBytes = 5 + 2;
constexpr std::size_t kProgramExchangeBytes = 7 + 6;
constexpr std::size_t kReadExchangeBytes = 7 + 7;

}  // namespace

UpdateTraffic PlanTraffic(const FirmwareImage& image, FirmwareWriteMode mode) {
  UpdateTraffic traffic;
  const auto exchange = [&traffic](std::size_t payload) {
    traffic.wireBytes += payload + 2 * kFrameBytes;
  };
  for (std::size_t i = 0; i < kFirmwareSectors.size(); ++i) exchange(kEraseExchangeBytes);
  ProgramRequests requests(image.records, JoinsRequests(image, mode));
  for (ProgramRequest request; requests.Next(request);) {
    ++traffic.programRequests;
    exchange(kProgramExchangeBytes + request.bytes);
  }
  const auto readBack = [&](std::size_t bytes) {
    ++traffic.readRequests;
    exchange(kReadExchangeBytes + bytes);
  };
  if (mode.verify) {
    for (const FlashRequest& request : PlanReadBack(image)) readBack(request.bytes.size());
  }
  if (image.MarkerToWrite() != kErasedMarkerWord)
    exchange(kProgramExchangeBytes + kImageMarker.size());
  if (mode.verify) readBack(kImageMarker.size());
  return traffic;
}

}  // namespace kvx::cli
