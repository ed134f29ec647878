#include "images/jedec_reader.h"

#include <algorithm>
#include <cstddef>
#include <cstdint>
#include <cstdio>
#include <utility>

#include "images/text_file.h"
#include "images/user_signature.h"
#include "ui/messages.h"

namespace kvx {

namespace {

// Fuse files have always been read through an 81-character buffer.
constexpr std::size_t kJedecReadCharacters = 80;
constexpr char kFuseMarkerLine[] = "*L00000\n";
constexpr int kLinesPerFuseRow = 4;
constexpr std::size_t kDeviceFuses = kFuseRowCount * kFuseRowCharacters;

constexpr char kStartOfText = '\x02';
constexpr char kEndOfText = '\x03';
constexpr char kFieldEnd = '*';
constexpr char kBlanks[] = " \t\r\n";

bool SkipToFuseMarker(TextLineReader& reader) {
  std::string line;
  while (reader.Next(line))
    if (line == kFuseMarkerLine) return true;
  return false;
}

// A read at the end of the content adds nothing, so a short file shows as a short row.
// `fuseEnd` follows the content offset just past the last fuse taken.
std::string ReadFuseRowText(TextLineReader& reader, std::size_t& fuseEnd) {
  std::string row;
  std::string line;
  for (int i = 0; i < kLinesPerFuseRow; ++i) {
    const std::size_t lineStart = reader.Position();
    reader.Next(line);
    const std::size_t fuses = std::min(line.find_first_not_of("01"), line.size());
    row.append(line, 0, fuses);
    // The fuses lead the line, where no carriage return has been dropped yet.
    fuseEnd = lineStart + fuses;
  }
  return row;
}

std::string RowProblem(JedecParseResult result) {
  switch (result) {
    case JedecParseResult::kNoFuseMarker:
      return "holds no fuse list (a line \"*L00000\")";
    case JedecParseResult::kBadFuseRow:
      return "has a fuse row that does not hold " + std::to_string(kFuseRowCharacters) + " fuses";
    case JedecParseResult::kRead:
    case JedecParseResult::kBadField:
      break;
  }
  return "";
}

// The rows read so far follow fuse list L00000 line by line, up to its closing '*'. More fuse
// lines before that '*' are fuses past the last row, which the rows leave out.
bool FusesFollowTheRows(const std::string& content, std::size_t fuseEnd) {
  bool atLineStart = false;
  for (std::size_t i = fuseEnd; i < content.size(); ++i) {
    const char c = content[i];
    if (c == kFieldEnd || c == kEndOfText) return false;
    if (c == '\n') {
      atLineStart = true;
    } else if (c == '0' || c == '1') {
      if (atLineStart) return true;
    } else if (c != ' ' && c != '\t' && c != '\r') {
      atLineStart = false;
    }
  }
  return false;
}

std::string Trimmed(const std::string& text) {
  const std::size_t first = text.find_first_not_of(kBlanks);
  if (first == std::string::npos) return "";
  return text.substr(first, text.find_last_not_of(kBlanks) - first + 1);
}

// The decimal number `text` stands for, where it is one; any past the device's fuses counts
// as the first number past them.
bool ParseDecimal(const std::string& text, std::size_t& value) {
  if (text.empty() || text.find_first_not_of("0123456789") != std::string::npos) return false;
  value = 0;
  for (const char digit : text) {
    value = std::min(value * 10 + static_cast<std::size_t>(digit - '0'), kDeviceFuses + 1);
  }
  return true;
}

std::string Hex4(unsigned value) {
  char text[8];
  std::snprintf(text, sizeof text, "%04X", value);
  return text;
}

bool IsFourHexDigits(const std::string& text) {
  return text.size() == 4 && text.find_first_not_of("0123456789abcdefABCDEF") == std::string::npos;
}

// The user code field U in binary holds the device's signature: exactly its 120 characters '0'
// or '1', with the blanks and line ends a field may be split by passed over. A damaged one is
// refused, not dropped: its signature is what the probe reports its logic version from.
std::string SignatureProblem(const std::string& field,
                             std::optional<std::string>& carriedSignature) {
  std::string bits;
  for (const char c : field.substr(1)) {
    if (std::string(kBlanks).find(c) == std::string::npos) bits.push_back(c);
  }
  if (bits.find_first_not_of("01") != std::string::npos)
    return "the user code field U holds characters other than 0 and 1";
  if (bits.size() != kUserSignatureCharacters) {
    return "the user code field U holds " + std::to_string(bits.size()) + " bits, not the " +
           std::to_string(kUserSignatureCharacters) + " of the device's signature";
  }
  const std::string signature = DecodeUserSignature(bits);
  if (carriedSignature && *carriedSignature != signature) {
    return "carries two different user signatures (U)";
  }
  carriedSignature = signature;
  return "";
}

// Checks one field (its identifier first, blanks around it trimmed) against the fuse rows,
// and takes the user signature from its field.
std::string FieldProblem(const std::string& field, const FuseMap& map,
                         std::optional<std::string>& carriedSignature) {
  if (field[0] == 'U') {
    // UA and UH carry a user code in other forms, which this device's signature never takes.
    if (field.size() > 1 && (field[1] == 'A' || field[1] == 'H')) return "";
    return SignatureProblem(field, carriedSignature);
  }
  // Only what has been checked to be digits is repeated: the rest of a file's text could be
  // anything, terminal controls included.
  std::size_t number = 0;
  if (field.rfind("QF", 0) == 0) {
    const std::string count = Trimmed(field.substr(2));
    if (!ParseDecimal(count, number)) return "the fuse count field QF does not hold a number";
    if (number == kDeviceFuses) return "";
    return "QF says " + count + " fuses, the device has " + std::to_string(kDeviceFuses);
  }
  if (field[0] == 'C') {
    const std::string written = Trimmed(field.substr(1));
    if (!IsFourHexDigits(written)) return "the fuse checksum field C does not hold 4 hex digits";
    const std::uint16_t sum = FuseChecksum(map);
    if (std::stoul(written, nullptr, 16) == sum) return "";
    return "the fuse checksum C" + written + " does not match the fuses (their sum is " +
           Hex4(sum) + ")";
  }
  if (field[0] == 'L') {
    const std::string address = field.substr(1, field.find_first_of(kBlanks) - 1);
    if (!ParseDecimal(address, number)) {
      return "a fuse list L does not start with a fuse number";
    }
    if (number >= kDeviceFuses) {
      return "the fuse list L" + address + " starts past the device's " +
             std::to_string(kDeviceFuses) + " fuses";
    }
  }
  return "";
}

// The transmission checksum, the four hex digits right after ETX, is the sum of the bytes from
// STX to ETX to 16 bits; 0000 stands for one that was not computed. Copying a file between
// systems may convert its line ends and change nothing else, so the sum is also taken as the
// bytes would be with every line end LF, and with every line end CR LF: any other change shows.
std::string TransmissionChecksumProblem(const std::string& content, std::size_t endOfText) {
  const std::size_t digitsAt = endOfText + 1;
  const std::size_t digitsEnd = std::min(content.find_first_of(kBlanks, digitsAt), content.size());
  const std::string written = content.substr(digitsAt, digitsEnd - digitsAt);
  if (written.empty()) return "";
  if (!IsFourHexDigits(written)) return "the transmission checksum after ETX is not 4 hex digits";
  const auto value = static_cast<unsigned>(std::stoul(written, nullptr, 16));
  if (value == 0) return "";
  const std::size_t startOfText = content.find(kStartOfText);
  if (startOfText > endOfText) {
    return "has a transmission checksum " + written +
           " after ETX but no start of text (STX) to count it from";
  }
  unsigned sum = 0;
  unsigned carriageReturnLineEnds = 0;
  unsigned bareLineEnds = 0;
  for (std::size_t i = startOfText; i <= endOfText; ++i) {
    sum += static_cast<unsigned char>(content[i]);
    if (content[i] != '\n') continue;
    if (i > startOfText && content[i - 1] == '\r') {
      ++carriageReturnLineEnds;
    } else {
      ++bareLineEnds;
    }
  }
  const unsigned kReturn = '\r';
  for (const unsigned converted :
       {sum, sum - kReturn * carriageReturnLineEnds, sum + kReturn * bareLineEnds}) {
    if ((converted & 0xFFFFu) == value) return "";
  }
  return "the transmission checksum " + written +
         " after ETX does not match the file (its bytes from STX to ETX sum to " +
         Hex4(sum & 0xFFFFu) + ")";
}

// Checks the fields between the start of the text (STX, which files may leave out) and
// `endOfText`. The first '*' ends the header, free text about the design that is no field.
std::string FieldsProblem(const std::string& content, std::size_t endOfText, const FuseMap& map,
                          std::optional<std::string>& carriedSignature) {
  const std::size_t startOfText = content.find(kStartOfText);
  const std::size_t textStart = startOfText < endOfText ? startOfText + 1 : 0;
  std::size_t fieldStart = content.find(kFieldEnd, textStart);
  while (fieldStart < endOfText) {
    ++fieldStart;
    const std::size_t fieldEnd = std::min(content.find(kFieldEnd, fieldStart), endOfText);
    const std::string field = Trimmed(content.substr(fieldStart, fieldEnd - fieldStart));
    if (!field.empty()) {
      if (std::string problem = FieldProblem(field, map, carriedSignature); !problem.empty())
        return problem;
    }
    fieldStart = fieldEnd;
  }
  return "";
}

// What the fuse rows alone do not show: that the whole file arrived, with its end of
// transmission after the fuses, that no fuse lies past the rows, that the fuse count and
// checksum fields, where the file has them, agree with the rows, and that the transmission
// checksum, where the file has one, agrees with the file.
std::string WholeFileProblem(const std::string& content, std::size_t fuseEnd, const FuseMap& map,
                             std::optional<std::string>& carriedSignature) {
  const std::size_t endOfText = content.find(kEndOfText, fuseEnd);
  if (endOfText == std::string::npos) {
    return "ends without its end-of-transmission character (ETX): the file is incomplete";
  }
  if (FusesFollowTheRows(content, fuseEnd)) {
    return "the fuse list L00000 goes on past the device's " + std::to_string(kFuseRowCount) +
           " rows of " + std::to_string(kFuseRowCharacters) + " fuses";
  }
  if (std::string problem = FieldsProblem(content, endOfText, map, carriedSignature);
      !problem.empty())
    return problem;
  return TransmissionChecksumProblem(content, endOfText);
}

}  // namespace

std::uint16_t FuseChecksum(const FuseMap& map) {
  std::uint32_t sum = 0;
  std::size_t fuse = 0;
  unsigned byte = 0;
  for (const std::string& row : map) {
    for (const char state : row) {
      if (state == '1') byte |= 1u << (fuse % 8);
      if (++fuse % 8 == 0) {
        sum += byte;
        byte = 0;
      }
    }
  }
  return static_cast<std::uint16_t>(sum + byte);
}

JedecParseResult ParseJedecText(const std::string& content, FuseMap& map,
                                std::optional<std::string>& carriedSignature,
                                std::string& problem) {
  map.fill(std::string());
  carriedSignature.reset();
  TextLineReader reader(content, kJedecReadCharacters);
  JedecParseResult result = JedecParseResult::kRead;
  std::size_t fuseEnd = 0;
  if (!SkipToFuseMarker(reader)) result = JedecParseResult::kNoFuseMarker;
  for (std::size_t r = 0; result == JedecParseResult::kRead && r < map.size(); ++r) {
    map[r] = ReadFuseRowText(reader, fuseEnd);
    if (map[r].size() != kFuseRowCharacters) result = JedecParseResult::kBadFuseRow;
  }
  problem = RowProblem(result);
  if (result != JedecParseResult::kRead) return result;
  problem = WholeFileProblem(content, fuseEnd, map, carriedSignature);
  return problem.empty() ? JedecParseResult::kRead : JedecParseResult::kBadField;
}

JedecFile LoadJedecFile(const std::filesystem::path& path) {
  JedecFile file;
  Result<std::string> content = ReadRegularFile(path);
  if (!content) {
    file.problem = content.failure().text;
    return file;
  }
  file.opened = true;
  file.content = std::move(content).value();
  file.parse = ParseJedecText(file.content, file.map, file.carriedSignature, file.problem);
  return file;
}

bool ReadJedecFile(const JedecFile& file, DialogServices& services) {
  services.SetStatus(kReadingJedecFileText);
  if (!file.opened) {
    ShowPlainMessage(services, kCannotOpenJedecFileText);
    return false;
  }
  if (file.parse == JedecParseResult::kNoFuseMarker) {
    ShowPlainMessage(services, kIllegalJedecFileText);
    return false;
  }
  // The cursor stays on while the message about the fuses is up, as it always has.
  WaitCursor cursor(services);
  if (file.parse != JedecParseResult::kRead) {
    ShowPlainMessage(services, kIllegalJedecFormatText);
    return false;
  }
  return true;
}

}  // namespace kvx
