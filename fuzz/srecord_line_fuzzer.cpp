// Feeds arbitrary text to the S-record line parser as one line, and to the firmware image
// check as a whole image, its header's marker record ignored and followed. The parser must stay
// inside the line and the data buffer and report at most 252 bytes; an image the check lets
// through must hold a data record, or when followed a marker record, every one of its records
// must lie in the firmware area behind the image marker, and its last record must end it: an
// end record or a record count. Ignored, the marker record never changes what is written.
#include <cstddef>
#include <cstdint>
#include <string>

#include "images/firmware_image.h"
#include "images/srecord_line.h"
#include "images/text_file.h"
#include "loader/flash_map.h"

namespace {

void CheckPassedImage(const std::string& content, bool markerRecorded) {
  kvx::TextLineReader reader(content, 255);
  std::string line;
  std::uint32_t address = 0;
  kvx::SRecordData bytes{};
  std::size_t records = 0;
  char lastType = 0;
  while (reader.Next(line)) {
    const int n = kvx::ParseSRecordLine(line, address, bytes);
    if (n < 0) __builtin_trap();
    lastType = line[line.find_first_of("Ss") + 1];
    if (n == 0) continue;
    ++records;
    if (address < kvx::kFirstImageAddress || address + std::uint64_t(n) > kvx::kFirmwareAreaEnd)
      __builtin_trap();
  }
  if (records == 0 && !markerRecorded) __builtin_trap();
  if (std::string("56789").find(lastType) == std::string::npos) __builtin_trap();
}

}  // namespace

extern "C" int LLVMFuzzerTestOneInput(const std::uint8_t* data, std::size_t size) {
  const std::string text(reinterpret_cast<const char*>(data), size);
  std::uint32_t address = 0;
  kvx::SRecordData bytes{};
  const int n = kvx::ParseSRecordLine(text, address, bytes);
  if (n < -1 || n > 252) __builtin_trap();

  const kvx::FirmwareImage image = kvx::CheckFirmwareImage(text);
  if (image.recordedMarker || image.MarkerToWrite() != kvx::kImageMarker) __builtin_trap();
  if (image.Programmable()) CheckPassedImage(image.content, false);
  const kvx::FirmwareImage followed = kvx::CheckFirmwareImage(text, kvx::MarkerRecordUse::kFollow);
  if (followed.Programmable())
    CheckPassedImage(followed.content, followed.recordedMarker.has_value());
  return 0;
}
