#include "images/firmware_update.h"

#include <optional>

#include "images/progress_text.h"
#include "images/srecord_line.h"
#include "images/text_file.h"
#include "loader/flash_commands.h"
#include "loader/flash_map.h"

namespace kvx {

namespace {

// The image is read with a 256-character line buffer, so a line has at most 255 characters.
constexpr std::size_t kImageLineCharacters = 255;
constexpr std::uint32_t kProgramAlignment = 4;

ErrorCode EraseFirmwareSectors(ProbeLink& link) {
  for (const std::uint32_t sector : kFirmwareSectors) {
    if (const ErrorCode result = EraseSector(link, sector); result != kOk) return result;
  }
  return kOk;
}

// Pads `n` data bytes with 0xFF up to the next multiple of 4 and returns the new length.
std::size_t PadToAlignment(SRecordData& data, std::size_t n) {
  while (n % kProgramAlignment != 0) data[n++] = 0xFF;
  return n;
}

// Programs the data records of a checked image in file order, with progress.
ErrorCode ProgramRecords(ProbeLink& link, const std::string& content, DialogServices& services,
                         FirmwareProgress& progress) {
  const auto length = static_cast<std::uint32_t>(content.size());
  TextLineReader reader(content, kImageLineCharacters);
  std::string line;
  std::uint32_t address = 0;
  SRecordData data{};
  ErrorCode result = kOk;
  while (result == kOk && reader.Next(line)) {
    // The image was checked, so every line parses to a record or to nothing to program.
    const int n = ParseSRecordLine(line, address, data);
    if (n > 0) {
      result = ProgramFlash(link, address, PadToAlignment(data, static_cast<std::size_t>(n)),
                            data.data());
      if (result != kOk) services.SetStatus(kFirmwareProgramFailedText);
    }
    ShowFirmwareProgress(length, reader.Position(), services, progress);
  }
  return result;
}

ErrorCode ProgramImageMarker(ProbeLink& link) {
  return ProgramFlash(link, kImageMarkerAddress, kImageMarker.size(), kImageMarker.data());
}

}  // namespace

void ShowFirmwareProgress(std::uint32_t length, std::uint32_t position, DialogServices& services,
                          FirmwareProgress& progress) {
  // 64-bit, so an image over 42 MB cannot wrap the product into a wrong percentage.
  const std::uint64_t whole = length == 0 ? 1 : length;
  const auto percent = static_cast<std::uint16_t>(std::uint64_t{position} * 100 / whole);
  if (percent == progress.lastShownPercent) return;
  progress.lastShownPercent = percent;
  services.SetProgress(ProgressText(kFirmwareProgrammingText, percent), percent);
}

std::optional<ImageSummary> CheckFirmwareImage(const std::string& content) {
  TextLineReader reader(content, kImageLineCharacters);
  std::string line;
  std::uint32_t address = 0;
  SRecordData data{};
  ImageSummary summary;
  while (reader.Next(line)) {
    const int n = ParseSRecordLine(line, address, data);
    if (n < 0 || (n > 0 && address < kFirmwareAreaStart)) return std::nullopt;
    if (n == 0) continue;
    ++summary.records;
    summary.dataBytes += static_cast<std::size_t>(n);
  }
  return summary;
}

ErrorCode UpdateFirmware(ProbeLink& link, const UpdateCatalogue& catalogue,
                         VersionNumber imageNumber, DialogServices& services,
                         FirmwareProgress& progress) {
  const std::optional<std::string> content =
      ReadWholeFile(catalogue.UpdateFilePath(kFirmwareBaseName, imageNumber));
  if (!content) return kErrFirmwareFile;
  if (!CheckFirmwareImage(*content)) {
    services.SetStatus(kFirmwareProgramFailedText);
    return kErrFirmwareFile;
  }

  services.SetStatus(kFirmwareErasingText);
  if (const ErrorCode result = EraseFirmwareSectors(link); result != kOk) {
    services.SetStatus(kFirmwareEraseFailedText);
    return result;
  }
  services.SetStatus(kFirmwareProgrammingText);
  ErrorCode result = ProgramRecords(link, *content, services, progress);
  if (result == kOk) result = ProgramImageMarker(link);
  services.SetStatus(result == kOk ? kFirmwareProgramPassedText : kFirmwareProgramFailedText);
  return result;
}

}  // namespace kvx
