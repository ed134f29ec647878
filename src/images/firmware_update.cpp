#include "images/firmware_update.h"

#include <algorithm>
#include <cstdio>
#include <utility>
#include <vector>

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

// Records go behind the image marker and end with the last of the three 256 KiB firmware
// sectors; 64-bit, so a record near the top of the address space cannot wrap into the area.
constexpr std::uint64_t kFirstImageAddress = kImageMarkerAddress + kImageMarker.size();
constexpr std::uint64_t kFirmwareAreaEnd = 0x01100000;

// The bytes one data record programs, padding included, and the line it stands on.
struct RecordSpan {
  std::uint64_t start;
  std::uint64_t end;
  std::size_t line;
};

std::size_t PaddedLength(std::size_t n) {
  return (n + kProgramAlignment - 1) / kProgramAlignment * kProgramAlignment;
}

std::string Hex(std::uint64_t value) {
  char text[24];
  std::snprintf(text, sizeof text, "0x%08llX", static_cast<unsigned long long>(value));
  return text;
}

std::string OutsideAreaProblem(const RecordSpan& span) {
  return "line " + std::to_string(span.line) + " programs " + Hex(span.start) + " to " +
         Hex(span.end - 1) + ", outside the firmware area " + Hex(kFirstImageAddress) + " to " +
         Hex(kFirmwareAreaEnd - 1);
}

// The first two records, in address order, that program a byte in common.
std::string OverlapProblem(std::vector<RecordSpan> spans) {
  std::sort(spans.begin(), spans.end(),
            [](const RecordSpan& a, const RecordSpan& b) { return a.start < b.start; });
  for (std::size_t i = 1; i < spans.size(); ++i) {
    if (spans[i].start < spans[i - 1].end) {
      const auto [first, second] = std::minmax(spans[i - 1].line, spans[i].line);
      return "lines " + std::to_string(first) + " and " + std::to_string(second) +
             " both program " + Hex(spans[i].start);
    }
  }
  return "";
}

ErrorCode EraseFirmwareSectors(ProbeLink& link) {
  for (const std::uint32_t sector : kFirmwareSectors) {
    if (const ErrorCode result = EraseSector(link, sector); result != kOk) return result;
  }
  return kOk;
}

// Pads `n` data bytes with 0xFF up to the next multiple of 4 and returns the new length.
std::size_t PadToAlignment(SRecordData& data, std::size_t n) {
  const std::size_t padded = PaddedLength(n);
  std::fill(data.begin() + static_cast<std::ptrdiff_t>(n),
            data.begin() + static_cast<std::ptrdiff_t>(padded), 0xFF);
  return padded;
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

FirmwareImage CheckFirmwareImage(std::string content) {
  FirmwareImage image;
  image.opened = true;
  image.content = std::move(content);
  TextLineReader reader(image.content, kImageLineCharacters);
  std::vector<RecordSpan> spans;
  std::string line;
  std::uint32_t address = 0;
  SRecordData data{};
  for (std::size_t lineNumber = 1; reader.Next(line); ++lineNumber) {
    const int n = ParseSRecordLine(line, address, data);
    if (n < 0) {
      image.problem = "line " + std::to_string(lineNumber) + " is not a valid S-record";
      return image;
    }
    if (n == 0) continue;
    const RecordSpan span{address, address + PaddedLength(static_cast<std::size_t>(n)), lineNumber};
    if (span.start < kFirstImageAddress || span.end > kFirmwareAreaEnd) {
      image.problem = OutsideAreaProblem(span);
      return image;
    }
    spans.push_back(span);
    ++image.summary.records;
    image.summary.dataBytes += static_cast<std::size_t>(n);
  }
  image.problem = spans.empty() ? "holds no data record" : OverlapProblem(spans);
  return image;
}

FirmwareImage LoadFirmwareImage(const std::filesystem::path& path) {
  FileContent file = ReadRegularFile(path);
  if (!file.error.empty()) {
    FirmwareImage image;
    image.problem = std::move(file.error);
    return image;
  }
  return CheckFirmwareImage(std::move(file.text));
}

ErrorCode UpdateFirmware(ProbeLink& link, const FirmwareImage& image, DialogServices& services,
                         FirmwareProgress& progress) {
  if (!image.opened) return kErrFirmwareFile;
  if (!image.Programmable()) {
    services.SetStatus(kFirmwareProgramFailedText);
    return kErrFirmwareFile;
  }
  services.SetStatus(kFirmwareErasingText);
  if (const ErrorCode result = EraseFirmwareSectors(link); result != kOk) {
    services.SetStatus(kFirmwareEraseFailedText);
    return result;
  }
  services.SetStatus(kFirmwareProgrammingText);
  ErrorCode result = ProgramRecords(link, image.content, services, progress);
  if (result == kOk) result = ProgramImageMarker(link);
  services.SetStatus(result == kOk ? kFirmwareProgramPassedText : kFirmwareProgramFailedText);
  return result;
}

ErrorCode UpdateFirmware(ProbeLink& link, const UpdateCatalogue& catalogue,
                         VersionNumber imageNumber, DialogServices& services,
                         FirmwareProgress& progress) {
  return UpdateFirmware(link,
                        LoadFirmwareImage(catalogue.UpdateFilePath(kFirmwareBaseName, imageNumber)),
                        services, progress);
}

}  // namespace kvx
