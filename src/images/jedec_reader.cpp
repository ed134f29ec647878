#include "images/jedec_reader.h"

#include <cstddef>

#include "images/text_file.h"

namespace kvx {

namespace {

// Fuse files have always been read through an 81-character buffer.
constexpr std::size_t kJedecReadCharacters = 80;
constexpr char kFuseMarkerLine[] = "*L00000\n";
constexpr int kLinesPerFuseRow = 4;

bool SkipToFuseMarker(TextLineReader& reader) {
  std::string line;
  while (reader.Next(line))
    if (line == kFuseMarkerLine) return true;
  return false;
}

// A read at the end of the content adds nothing, so a short file shows as a short row.
std::string ReadFuseRowText(TextLineReader& reader) {
  std::string row;
  std::string line;
  for (int i = 0; i < kLinesPerFuseRow; ++i) {
    reader.Next(line);
    row.append(line, 0, line.find_first_not_of("01"));
  }
  return row;
}

std::string ParseProblem(JedecParseResult result) {
  switch (result) {
    case JedecParseResult::kNoFuseMarker:
      return "holds no fuse list (a line \"*L00000\")";
    case JedecParseResult::kBadFuseRow:
      return "has a fuse row that does not hold " + std::to_string(kFuseRowCharacters) + " fuses";
    case JedecParseResult::kRead:
      break;
  }
  return "";
}

}  // namespace

JedecParseResult ParseJedecText(const std::string& content, FuseMap& map) {
  map.fill(std::string());
  TextLineReader reader(content, kJedecReadCharacters);
  if (!SkipToFuseMarker(reader)) return JedecParseResult::kNoFuseMarker;
  for (std::string& row : map) {
    row = ReadFuseRowText(reader);
    if (row.size() != kFuseRowCharacters) return JedecParseResult::kBadFuseRow;
  }
  return JedecParseResult::kRead;
}

JedecFile LoadJedecFile(const std::filesystem::path& path) {
  JedecFile file;
  const FileContent content = ReadRegularFile(path);
  if (!content.error.empty()) {
    file.problem = content.error;
    return file;
  }
  file.opened = true;
  file.parse = ParseJedecText(content.text, file.map);
  file.problem = ParseProblem(file.parse);
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
  // The cursor stays on while the bad-row message is up, as it always has.
  WaitCursor cursor(services);
  if (file.parse == JedecParseResult::kBadFuseRow) {
    ShowPlainMessage(services, "Illegal JEDEC file format!");
    return false;
  }
  return true;
}

}  // namespace kvx
