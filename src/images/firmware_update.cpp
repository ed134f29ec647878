#include "images/firmware_update.h"

#include <algorithm>
#include <array>
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

// Frame bytes around a payload: the 2-byte header, DLE STX, DLE ETX and the checksum.
constexpr std::size_t kFrameBytes = 2 + 5;
// Request and reply payloads of the update's commands, data not counted.
constexpr std::size_t kEraseExchangeBytes = 5 + 2;
constexpr std::size_t kProgramExchangeBytes = 7 + 6;
constexpr std::size_t kReadExchangeBytes = 7 + 7;

// The bytes one request programs, padding included, and the line of the record they start
// with; 64-bit, so a record near the top of the address space cannot wrap into the area.
struct RecordSpan {
  std::uint64_t start;
  std::uint64_t end;
  std::size_t line;
};

std::size_t PaddedLength(std::size_t n) {
  return (n + kProgramAlignment - 1) / kProgramAlignment * kProgramAlignment;
}

bool Continues(const ImageRecord& previous, const ImageRecord& next) {
  return std::uint64_t{previous.address} + previous.length == next.address;
}

std::uint64_t End(const FlashRequest& request) {
  return std::uint64_t{request.address} + request.bytes.size();
}

// Adds `n` bytes of `data` for `address` to the last request when it ends there, starting a
// new one wherever it does not or a request holds `maxBytes`.
void AppendBytes(std::vector<FlashRequest>& requests, std::uint32_t address,
                 const std::uint8_t* data, std::size_t n, std::size_t maxBytes) {
  std::size_t taken = 0;
  while (taken < n) {
    if (requests.empty() || End(requests.back()) != address + taken ||
        requests.back().bytes.size() == maxBytes) {
      requests.push_back({static_cast<std::uint32_t>(address + taken), {}});
    }
    std::vector<std::uint8_t>& bytes = requests.back().bytes;
    const std::size_t part = std::min(n - taken, maxBytes - bytes.size());
    bytes.insert(bytes.end(), data + taken, data + taken + part);
    taken += part;
  }
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

std::string OverlapProblem(std::size_t earlierLine, std::size_t line, std::uint64_t address) {
  const auto [first, second] = std::minmax(earlierLine, line);
  return "lines " + std::to_string(first) + " and " + std::to_string(second) + " both program " +
         Hex(address);
}

// The part of the firmware area the requests reach, as [first, end); empty when they reach
// none. The ownership map covers only this part: an image is usually far smaller than the
// area, and with several probes at once each checks the image afresh.
std::pair<std::uint64_t, std::uint64_t> ReachedPart(const std::vector<ImageRecord>& records,
                                                    bool joined) {
  std::uint64_t first = kFirmwareAreaEnd;
  std::uint64_t end = kFirstImageAddress;
  ProgramRequests requests(records, joined);
  for (ProgramRequest request; requests.Next(request);) {
    first = std::min<std::uint64_t>(first, request.address);
    end = std::max(end, std::uint64_t{request.address} + request.bytes);
  }
  return {std::max<std::uint64_t>(first, kFirstImageAddress),
          std::min<std::uint64_t>(end, kFirmwareAreaEnd)};
}

// Whether the requests, padding included, come in address order, each behind the one before,
// as in the usual image: then none programs a byte another did, and no map is needed to tell.
bool FollowEachOther(const std::vector<ImageRecord>& records, bool joined) {
  std::uint64_t end = 0;
  ProgramRequests requests(records, joined);
  for (ProgramRequest request; requests.Next(request);) {
    if (request.address < end) return false;
    end = std::uint64_t{request.address} + request.bytes;
  }
  return true;
}

// Follows the requests made from `records` through the firmware area: each byte must lie in
// the area and must not yet hold data of an earlier request. The requests carry the
// records' data in file order, so the record behind each byte is known.
std::string WriteProblem(const std::vector<ImageRecord>& records, bool joined) {
  const bool followEachOther = FollowEachOther(records, joined);
  const auto [first, end] =
      followEachOther ? std::pair<std::uint64_t, std::uint64_t>{} : ReachedPart(records, joined);
  std::vector<std::uint32_t> dataLine(end > first ? end - first : 0, 0);
  std::size_t record = 0;
  std::size_t offset = 0;
  ProgramRequests requests(records, joined);
  for (ProgramRequest request; requests.Next(request);) {
    std::size_t line = records[request.firstRecord].line;
    const RecordSpan span{request.address, std::uint64_t{request.address} + request.bytes, line};
    if (span.start < kFirstImageAddress || span.end > kFirmwareAreaEnd) {
      return OutsideAreaProblem(span);
    }
    if (followEachOther) continue;
    for (std::uint64_t at = span.start; at < span.end; ++at) {
      const bool data = at - span.start < request.dataBytes;
      if (data) line = records[record].line;
      std::uint32_t& owner = dataLine[at - first];
      if (owner != 0) return OverlapProblem(owner, line, at);
      if (!data) continue;
      owner = static_cast<std::uint32_t>(line);
      if (++offset == records[record].length) {
        ++record;
        offset = 0;
      }
    }
  }
  return "";
}

std::string MismatchText(std::uint32_t address, std::uint8_t expected, std::uint8_t read) {
  char text[64];
  std::snprintf(text, sizeof text, "%s: expected 0x%02X, read 0x%02X", Hex(address).c_str(),
                expected, read);
  return text;
}

// Why line `lineNumber`, the piece `line` the parser refused, is not a valid S-record, with the
// cause where it lies outside the record: a line longer than the line buffer arrives in pieces,
// and the last line of a file without its line end lacks the character its length counts.
std::string InvalidLineProblem(const std::string& content, const TextLineReader& reader,
                               const std::string& line, std::size_t lineNumber) {
  const std::string problem = "line " + std::to_string(lineNumber) + " is not a valid S-record";
  if (line.empty() || line.back() == '\n') return problem;
  if (reader.Position() < content.size()) {
    const std::size_t start = reader.Position() - line.size();
    std::size_t end = std::min(content.find('\n', start), content.size());
    if (end < content.size() && content[end - 1] == '\r') --end;
    return problem + ": it has " + std::to_string(end - start) + " characters, and a line holds " +
           std::to_string(kImageLineCharacters - 1) + " at most before its line end";
  }
  std::uint32_t address = 0;
  SRecordData data{};
  if (ParseSRecordLine(line + "\n", address, data) < 0) return problem;
  return problem + ": the file's last line has no line end";
}

// Takes the marker record a header line may carry into `image`; says why the line cannot be
// taken, or nothing.
std::string TakeMarkerRecord(const std::string& line, std::size_t lineNumber,
                             FirmwareImage& image) {
  const std::optional<HeaderRecord> header = ReadHeaderRecord(line);
  if (!header) return "";
  const std::string at = "line " + std::to_string(lineNumber);
  if (!header->whole) return at + " is not a valid S-record: its count or checksum is wrong";
  const MarkerRecord record = ReadMarkerRecord(header->text);
  if (!record.found) return "";
  if (!record.problem.empty()) return at + ": " + record.problem;
  if (image.recordedMarker) return at + " holds a second image marker record";
  image.recordedMarker = record.word;
  return "";
}

// Sends one request from the image's data, padded in a buffer of its own.
ErrorCode SendRequest(ProbeLink& link, const FirmwareImage& image, const ProgramRequest& request) {
  std::array<std::uint8_t, kMaxJoinedProgramBytes> padded;
  const auto data = image.data.begin() + static_cast<std::ptrdiff_t>(request.dataOffset);
  std::copy(data, data + static_cast<std::ptrdiff_t>(request.dataBytes), padded.begin());
  std::fill(padded.begin() + static_cast<std::ptrdiff_t>(request.dataBytes),
            padded.begin() + static_cast<std::ptrdiff_t>(request.bytes), 0xFF);
  return ProgramFlash(link, request.address, request.bytes, padded.data());
}

// Programs the data records of a checked image one by one in file order. The progress follows
// the file position line by line, the lines that program nothing included, as it did when
// the file was read as it went.
ErrorCode ProgramRecords(ProbeLink& link, const FirmwareImage& image, DialogServices& services,
                         FirmwareProgress& progress) {
  const auto length = static_cast<std::uint32_t>(image.content.size());
  auto other = image.otherLineEnds.begin();
  const auto passLinesBefore = [&](std::uint32_t position) {
    for (; other != image.otherLineEnds.end() && *other < position; ++other)
      ShowFirmwareProgress(length, *other, services, progress);
  };
  ProgramRequests requests(image.records, false);
  for (ProgramRequest request; requests.Next(request);) {
    const std::uint32_t lineEnd = image.records[request.lastRecord].lineEnd;
    passLinesBefore(lineEnd);
    const ErrorCode result = SendRequest(link, image, request);
    if (result != kOk) services.SetStatus(kFirmwareProgramFailedText);
    ShowFirmwareProgress(length, lineEnd, services, progress);
    if (result != kOk) return result;
  }
  passLinesBefore(length + 1);
  return kOk;
}

// Programs the joined requests; the progress follows the image's data bytes.
ErrorCode ProgramJoined(ProbeLink& link, const FirmwareImage& image, DialogServices& services,
                        FirmwareProgress& progress) {
  std::size_t done = 0;
  ProgramRequests requests(image.records, true);
  for (ProgramRequest request; requests.Next(request);) {
    if (const ErrorCode result = SendRequest(link, image, request); result != kOk) return result;
    done += request.dataBytes;
    ShowFirmwareProgress(kFirmwareProgrammingText, image.summary.dataBytes, done, services,
                         progress);
  }
  return kOk;
}

// Reads the image's data back and compares; at the first difference says where in `reason`.
// Its percentages start afresh under their own status text: the programming's last, 100,
// would otherwise hide the read-back's end, and all of it for an image one read covers.
ErrorCode VerifyImage(ProbeLink& link, const FirmwareImage& image, DialogServices& services,
                      std::string& reason) {
  services.SetStatus(kFirmwareVerifyingText);
  FirmwareProgress progress;
  std::vector<std::uint8_t> read(kMaxReadMemoryBytes);
  std::size_t done = 0;
  for (const FlashRequest& request : PlanReadBack(image)) {
    const ErrorCode result = ReadMemory(
        link, request.address, static_cast<std::uint16_t>(request.bytes.size()), read.data());
    if (result != kOk) return result;
    const auto [expected, got] =
        std::mismatch(request.bytes.begin(), request.bytes.end(), read.begin());
    if (expected != request.bytes.end()) {
      const auto offset = static_cast<std::uint32_t>(expected - request.bytes.begin());
      reason = MismatchText(request.address + offset, *expected, *got);
      return NoteExchangeFailure(link, kErrFirmwareMismatch, link.commandRequest.data(), 8,
                                 "the flash differs from the image at %s", reason.c_str());
    }
    done += request.bytes.size();
    ShowFirmwareProgress(kFirmwareVerifyingText, image.summary.dataBytes, done, services, progress);
  }
  return kOk;
}

// Programs what the image leaves at the marker's place; an erased word needs no request.
ErrorCode ProgramImageMarker(ProbeLink& link, const FirmwareImage& image, MarkerLeft& left) {
  const MarkerWord word = image.MarkerToWrite();
  if (word == kErasedMarkerWord) return kOk;
  const ErrorCode result = ProgramFlash(link, kImageMarkerAddress, word.size(), word.data());
  // The loader programs all or nothing, so only a failure it reported leaves the word as it was.
  if (result != kOk && result != kErrProgramFailed) left = MarkerLeft::kUnknown;
  return result;
}

// Reads the marker's word back: a cell that fails silently there would leave a word the loader
// does not take for the marker, or one that marks a copy of an unfinished image as finished.
ErrorCode VerifyImageMarker(ProbeLink& link, const FirmwareImage& image, std::string& reason,
                            MarkerLeft& left) {
  const MarkerWord expected = image.MarkerToWrite();
  MarkerWord read{};
  const ErrorCode result = ReadMemory(link, kImageMarkerAddress, read.size(), read.data());
  if (result != kOk) {
    if (expected != kErasedMarkerWord) left = MarkerLeft::kUnknown;
    return result;
  }
  const auto [want, got] = std::mismatch(expected.begin(), expected.end(), read.begin());
  if (want == expected.end()) return kOk;
  reason = MismatchText(static_cast<std::uint32_t>(kImageMarkerAddress + (want - expected.begin())),
                        *want, *got);
  return NoteExchangeFailure(link, kErrFirmwareMismatch, link.commandRequest.data(), 7,
                             "the image marker's word differs at %s", reason.c_str());
}

}  // namespace

void ShowFirmwareProgress(std::uint32_t length, std::uint32_t position, DialogServices& services,
                          FirmwareProgress& progress) {
  ShowFirmwareProgress(kFirmwareProgrammingText, length, position, services, progress);
}

void ShowFirmwareProgress(const char* stem, std::uint64_t length, std::uint64_t position,
                          DialogServices& services, FirmwareProgress& progress) {
  // 64-bit, so an image over 42 MB cannot wrap the product into a wrong percentage.
  const ProgressAmount amount{position, length, ProgressUnit::kBytes};
  const auto percent = static_cast<std::uint16_t>(amount.Percent());
  if (percent == progress.lastShownPercent) return;
  progress.lastShownPercent = percent;
  services.SetProgress(ProgressText(stem, percent), amount);
}

bool ProgramRequests::Next(ProgramRequest& request) {
  if (record_ == records_.size()) return false;
  const ImageRecord* current = &records_[record_];
  request.address = static_cast<std::uint32_t>(current->address + offset_);
  request.dataOffset = current->offset + offset_;
  request.dataBytes = 0;
  request.firstRecord = record_;
  for (;;) {
    const std::size_t part = std::min<std::size_t>(current->length - offset_,
                                                   kMaxJoinedProgramBytes - request.dataBytes);
    request.dataBytes += part;
    offset_ += part;
    request.lastRecord = record_;
    if (offset_ < current->length) break;  // the request is full
    offset_ = 0;
    const ImageRecord* previous = current;
    if (++record_ == records_.size()) break;
    current = &records_[record_];
    if (!joined_ || !Continues(*previous, *current)) break;
    if (request.dataBytes == kMaxJoinedProgramBytes) break;
  }
  request.bytes = PaddedLength(request.dataBytes);
  return true;
}

std::vector<FlashRequest> PlanReadBack(const FirmwareImage& image) {
  std::vector<const ImageRecord*> byAddress;
  for (const ImageRecord& record : image.records) byAddress.push_back(&record);
  std::sort(byAddress.begin(), byAddress.end(),
            [](const ImageRecord* a, const ImageRecord* b) { return a->address < b->address; });
  std::vector<FlashRequest> requests;
  for (const ImageRecord* record : byAddress) {
    AppendBytes(requests, record->address, image.Data(*record), record->length,
                kMaxReadMemoryBytes);
  }
  return requests;
}

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

MarkerWord FirmwareImage::MarkerToWrite() const {
  return recordedMarker.value_or(kImageMarker);
}

bool JoinsRequests(const FirmwareImage& image, FirmwareWriteMode mode) {
  return mode.joined && image.joinedProblem.empty();
}

std::string RecordByRecordReason(const FirmwareImage& image, FirmwareWriteMode mode) {
  return mode.joined && !image.joinedProblem.empty() ? "in joined requests " + image.joinedProblem
                                                     : "";
}

FirmwareImage CheckFirmwareImage(std::string content, MarkerRecordUse markerRecord) {
  FirmwareImage image;
  image.opened = true;
  image.content = std::move(content);
  TextLineReader reader(image.content, kImageLineCharacters);
  std::string line;
  std::uint32_t address = 0;
  SRecordData data{};
  SRecordFileCheck whole;
  // Lines, not pieces, are counted: a line too long for the buffer is one line of the file.
  for (std::size_t lineNumber = 1; reader.Next(line); lineNumber += line.back() == '\n') {
    const int n = ParseSRecordLine(line, address, data);
    image.problem = n < 0 ? InvalidLineProblem(image.content, reader, line, lineNumber)
                          : whole.Take(line, lineNumber);
    if (image.problem.empty() && n == 0 && markerRecord == MarkerRecordUse::kFollow)
      image.problem = TakeMarkerRecord(line, lineNumber, image);
    if (!image.problem.empty()) return image;
    if (n == 0) {
      image.otherLineEnds.push_back(reader.Position());
      continue;
    }
    image.records.push_back({address, static_cast<std::uint32_t>(image.data.size()),
                             static_cast<std::uint32_t>(n), static_cast<std::uint32_t>(lineNumber),
                             reader.Position()});
    image.data.insert(image.data.end(), data.begin(), data.begin() + n);
  }
  image.summary = {image.records.size(), image.data.size()};
  image.problem =
      image.records.empty() && !image.recordedMarker ? "holds no data record" : whole.Finish();
  if (!image.problem.empty()) return image;
  image.problem = WriteProblem(image.records, false);
  if (image.problem.empty()) image.joinedProblem = WriteProblem(image.records, true);
  return image;
}

FirmwareImage LoadFirmwareImage(const std::filesystem::path& path, MarkerRecordUse markerRecord) {
  FileContent file = ReadRegularFile(path);
  if (!file.error.empty()) {
    FirmwareImage image;
    image.problem = std::move(file.error);
    return image;
  }
  return CheckFirmwareImage(std::move(file.text), markerRecord);
}

ErrorCode UpdateFirmware(ProbeLink& link, const FirmwareImage& image, DialogServices& services,
                         FirmwareProgress& progress, FirmwareWriteMode mode,
                         MarkerLeft* markerLeft) {
  MarkerLeft left = MarkerLeft::kUnwritten;
  if (markerLeft) *markerLeft = left;
  if (!image.opened) return kErrFirmwareFile;
  if (!image.Programmable()) {
    services.SetStatus(kFirmwareProgramFailedText);
    return kErrFirmwareFile;
  }
  services.SetStatus(kFirmwareErasingText);
  if (const ErrorCode result = EraseFirmwareSectors(link, ShowEraseProgress(services));
      result != kOk) {
    services.SetStatus(kFirmwareEraseFailedText);
    return result;
  }
  if (const std::string why = RecordByRecordReason(image, mode); !why.empty()) {
    services.SetStatus(std::string(kFirmwareRecordByRecordText) + why);
  }
  services.SetStatus(kFirmwareProgrammingText);
  ErrorCode result = JoinsRequests(image, mode) ? ProgramJoined(link, image, services, progress)
                                                : ProgramRecords(link, image, services, progress);
  std::string reason;
  if (result == kOk && mode.verify) result = VerifyImage(link, image, services, reason);
  if (result == kOk) result = ProgramImageMarker(link, image, left);
  if (result == kOk && mode.verify) result = VerifyImageMarker(link, image, reason, left);
  if (result == kOk) {
    services.SetStatus(kFirmwareProgramPassedText);
  } else {
    services.SetStatus(reason.empty() ? kFirmwareProgramFailedText
                                      : std::string(kFirmwareProgramFailedText) + " " + reason);
  }
  if (markerLeft) *markerLeft = left;
  return result;
}

}  // namespace kvx
