#include "images/firmware_image.h"

#include <algorithm>
#include <cstdio>
#include <utility>

#include "images/program_plan.h"
#include "images/srecord_line.h"
#include "images/text_file.h"
#include "loader/flash_map.h"

namespace kvx {

namespace {

// The image is read with a 256-character line buffer, so a line has at most 255 characters.
constexpr std::size_t kImageLineCharacters = 255;

// The bytes one request programs, padding included, and the line of the record they start
// with; 64-bit, so a record near the top of the address space cannot wrap into the area.
struct RecordSpan {
  std::uint64_t start;
  std::uint64_t end;
  std::size_t line;
};

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

}  // namespace

MarkerWord FirmwareImage::MarkerToWrite() const {
  return recordedMarker.value_or(kImageMarker);
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
  Result<std::string> file = ReadRegularFile(path);
  if (!file) {
    FirmwareImage image;
    image.problem = file.failure().text;
    return image;
  }
  return CheckFirmwareImage(std::move(file).value(), markerRecord);
}

}  // namespace kvx
