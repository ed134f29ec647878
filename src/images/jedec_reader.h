#pragma once

#include <filesystem>
#include <string>

#include "images/fuse_map.h"
#include "ui/dialog_services.h"

namespace kvx {

enum class JedecParseResult {
  kRead,          // all rows hold kFuseRowCharacters fuses
  kNoFuseMarker,  // the content ends before a line "*L00000"
  kBadFuseRow,    // a row does not come to kFuseRowCharacters fuses
};

// Fills `map` from the text of a JEDEC file. Only the first fuse list marker line and the
// 4 * kFuseRowCount lines behind it are looked at; each of those lines adds its leading run of
// '0' and '1' to its row. Lines are read as TextLineReader delivers them, 80 characters at
// most, so a longer line counts as several. On failure `map` holds the rows read so far and
// empty rows after them.
JedecParseResult ParseJedecText(const std::string& content, FuseMap& map);

// A JEDEC file read into its fuse map before anything is sent to the probe.
struct JedecFile {
  bool opened = false;  // the file was read; when not, `problem` says why
  JedecParseResult parse = JedecParseResult::kNoFuseMarker;
  FuseMap map;
  std::string problem;  // empty when `map` is complete
};

JedecFile LoadJedecFile(const std::filesystem::path& path);

// Shows what reading the file shows the user: its status text, and the message box of its
// problem under the wait cursor as it has always been shown. True when the map is complete;
// false after the failure has been shown.
bool ReadJedecFile(const JedecFile& file, DialogServices& services);

}  // namespace kvx
