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

// Reads the JEDEC file at `path` into `map`, with its status text, wait cursor and message
// boxes. True on success; false after the failure has been shown.
bool ReadJedecFile(const std::filesystem::path& path, FuseMap& map, DialogServices& services);

}  // namespace kvx
