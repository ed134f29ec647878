#include "images/probe_readback.h"

#include <algorithm>
#include <cstddef>
#include <cstdio>

#include "images/firmware_update.h"
#include "images/jedec_reader.h"
#include "images/logic_update.h"
#include "loader/flash_commands.h"
#include "loader/flash_map.h"
#include "ui/messages.h"

namespace kvx {

namespace {

constexpr std::size_t kAreaBytes = kFirmwareAreaEnd - kFirmwareAreaStart;
constexpr std::size_t kMarkerBytes = kFirstImageAddress - kFirmwareAreaStart;
// Whole words, so a record never shares a word with the next one's padding, and lines of
// 143 characters, well inside the 255 the image reader takes.
constexpr std::size_t kRecordDataBytes = 64;
constexpr std::uint8_t kErased = 0xFF;

constexpr std::size_t kFusesPerLine = kFuseRowCharacters / 4;
constexpr char kStartOfText = '\x02';
constexpr char kEndOfText = '\x03';

// One S-record line: type, count, `addressBytes` of `address`, the data and the checksum,
// the ones' complement of the sum of count, address and data bytes.
std::string SRecord(char type, std::uint32_t address, std::size_t addressBytes,
                    const std::uint8_t* data, std::size_t n) {
  std::vector<std::uint8_t> body = {static_cast<std::uint8_t>(addressBytes + n + 1)};
  for (std::size_t i = addressBytes; i-- > 0;)
    body.push_back(static_cast<std::uint8_t>(address >> (8 * i)));
  body.insert(body.end(), data, data + n);
  unsigned sum = 0;
  for (const std::uint8_t byte : body) sum += byte;
  body.push_back(static_cast<std::uint8_t>(~sum));
  std::string line = {'S', type};
  char hex[3];
  for (const std::uint8_t byte : body) {
    std::snprintf(hex, sizeof hex, "%02X", byte);
    line += hex;
  }
  return line + "\n";
}

bool IsErased(std::uint8_t byte) {
  return byte == kErased;
}

std::string Hex4(unsigned value) {
  char text[5];
  std::snprintf(text, sizeof text, "%04X", value & 0xFFFFu);
  return text;
}

}  // namespace

MarkerWord FirmwareReading::Marker() const {
  MarkerWord word = kErasedMarkerWord;
  std::copy_n(area.begin(), std::min(area.size(), word.size()), word.begin());
  return word;
}

ErrorCode ReadFirmwareArea(ProbeLink& link, DialogServices& services, FirmwareReading& reading) {
  services.SetStatus(kFirmwareReadingText);
  reading.area.assign(kAreaBytes, kErased);
  FirmwareProgress progress;
  for (std::size_t offset = 0; offset < kAreaBytes;) {
    const std::size_t n = std::min(kMaxReadMemoryBytes, kAreaBytes - offset);
    const ErrorCode result =
        ReadMemoryInHalves(link, static_cast<std::uint32_t>(kFirmwareAreaStart + offset), n,
                           reading.area.data() + offset, kRecordDataBytes);
    if (result != kOk) {
      services.SetStatus(kFirmwareReadFailedText);
      return result;
    }
    offset += n;
    ShowFirmwareProgress(kFirmwareReadingText, kAreaBytes, offset, services, progress);
  }
  services.SetStatus(kFirmwareReadPassedText);
  return kOk;
}

std::string FormatFirmwareSRecords(const FirmwareReading& reading) {
  const std::string header = FirmwareAreaHeader(reading.Marker());
  std::string text =
      SRecord('0', 0, 2, reinterpret_cast<const std::uint8_t*>(header.data()), header.size());
  std::size_t end = reading.area.size();
  while (end > kMarkerBytes && IsErased(reading.area[end - 1])) --end;
  std::uint32_t records = 0;
  for (std::size_t at = kMarkerBytes; at < end; at += kRecordDataBytes) {
    const std::size_t n = std::min(kRecordDataBytes, end - at);
    const std::uint8_t* data = reading.area.data() + at;
    if (std::all_of(data, data + n, IsErased)) continue;
    text += SRecord('3', static_cast<std::uint32_t>(kFirmwareAreaStart + at), 4, data, n);
    ++records;
  }
  text += SRecord('5', records, 2, nullptr, 0);
  return text + SRecord('7', 0, 4, nullptr, 0);
}

bool ReadLogicDevice(ProbeLink& link, DialogServices& services, LogicReading& reading) {
  const bool read = BeginLogicIsp(link, services) && CheckLogicDevice(link, services) &&
                    ReadFuseMap(link, reading.map, reading.signatureBits, services);
  EndLogicIsp(link, services);
  return read;
}

std::string FormatLogicJedec(const LogicReading& reading) {
  std::string text = std::string(1, kStartOfText) + "KVX7000 logic device*\nQF" +
                     std::to_string(kFuseRowCount * kFuseRowCharacters) + "*\n";
  // The user code field is where a fuse file keeps what the device holds for its user beside
  // the fuses, as this device's user signature. Written in binary, it holds the characters
  // exactly as the device reads them out and takes them in, so no byte or bit order has to be
  // agreed; fitters' files leave it out, and readers that do not know it pass it over.
  text += "U" + reading.signatureBits + "*\n*L00000\n";
  for (const std::string& row : reading.map)
    for (std::size_t at = 0; at < row.size(); at += kFusesPerLine)
      text += row.substr(at, kFusesPerLine) + "\n";
  text += "*C" + Hex4(FuseChecksum(reading.map)) + "*\n" + kEndOfText;
  unsigned sum = 0;
  for (const char c : text) sum += static_cast<unsigned char>(c);
  return text + Hex4(sum) + "\n";
}

}  // namespace kvx
