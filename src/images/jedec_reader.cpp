#include "images/jedec_reader.h"

#include <algorithm>
#include <cstddef>
#include <cstdint>
#include <cstdio>

#include "images/text_file.h"
#include "images/user_signature.h"

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

// The signature text a user code field (identifier U, its blanks kept) stands for, when it is
// one of this device's signatures.
std::optional<std::string> SignatureOfField(const std::string& field) {
  std::string bits;
  for (const char c : field.substr(1)) {
    if (std::string(kBlanks).find(c) == std::string::npos) bits.push_back(c);
  }
  if (bits.size() != kUserSignatureCharacters || bits.find_first_not_of("01") != std::string::npos)
    return std::nullopt;
  return DecodeUserSignature(bits);
}

std::string SignatureProblem(const std::string& field,
                             std::optional<std::string>& carriedSignature) {
  const std::optional<std::string> signature = SignatureOfField(field);
  if (!signature) return "";
  if (carriedSignature && *carriedSignature != *signature) {
    return "carries two different user signatures (U)";
  }
  carriedSignature = signature;
  return "";
}

// Checks one field (its identifier first, blanks around it trimmed) against the fuse rows,
// and takes the user signature from its field.
std::string FieldProblem(const std::string& field, const FuseMap& map,
                         std::optional<std::string>& carriedSignature) {
  if (field[0] == 'U') return SignatureProblem(field, carriedSignature);
  std::size_t number = 0;
  if (field.rfind("QF", 0) == 0) {
    const std::string count = Trimmed(field.substr(2));
    if (ParseDecimal(count, number) && number == kDeviceFuses) return "";
    return "QF says " + count + " fuses, the device has " + std::to_string(kDeviceFuses);
  }
  if (field[0] == 'C') {
    const std::string written = Trimmed(field.substr(1));
    const std::uint16_t sum = FuseChecksum(map);
    const bool fourDigits =
        written.size() == 4 &&
        written.find_first_not_of("0123456789abcdefABCDEF") == std::string::npos;
    if (fourDigits && std::stoul(written, nullptr, 16) == sum) return "";
    return "the fuse checksum C" + written + " does not match the fuses (their sum is " +
           Hex4(sum) + ")";
  }
  if (field[0] == 'L') {
    const std::string address = field.substr(1, field.find_first_of(kBlanks) - 1);
    if (!ParseDecimal(address, number)) {
      return "the fuse list L" + address + " does not start with a fuse number";
    }
    if (number >= kDeviceFuses) {
      return "the fuse list L" + address + " starts past the device's " +
             std::to_string(kDeviceFuses) + " fuses";
    }
  }
  return "";
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
// transmission after the fuses, that no fuse lies past the rows, and that the fuse count and
// checksum fields, where the file has them, agree with the rows.
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
  return FieldsProblem(content, endOfText, map, carriedSignature);
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
  const FileContent content = ReadRegularFile(path);
  if (!content.error.empty()) {
    file.problem = content.error;
    return file;
  }
  file.opened = true;
  file.parse = ParseJedecText(content.text, file.map, file.carriedSignature, file.problem);
  return file;
}

bool ReadJedecFile(const JedecFile& file, DialogServices& services) {
  services.SetStatus("Logic: Reading JEDEC File ...");
  if (!file.opened) {
    ShowPlainMessage(services, "Logic: Cannot open JEDEC file!");
    return false;
  }
  if (file.parse == JedecParseResult::kNoFuseMarker) {
    ShowPlainMessage(services, "Logic: Illegal JEDEC file format!");
    return false;
  }
  // The cursor stays on while the message about the fuses is up, as it always has.
  WaitCursor cursor(services);
  if (file.parse != JedecParseResult::kRead) {
    ShowPlainMessage(services, "Illegal JEDEC file format!");
    return false;
  }
  return true;
}

}  // namespace kvx
