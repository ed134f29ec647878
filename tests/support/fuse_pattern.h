#pragma once

#include <cstddef>
#include <string>

#include "images/fuse_map.h"
#include "loader/logic_commands.h"

namespace kvx::test {

// A different fuse pattern in every row, so rows cannot be swapped or shifted unnoticed.
inline FuseMap PatternMap() {
  FuseMap map;
  for (std::size_t r = 0; r < kFuseRowCount; ++r)
    for (std::size_t i = 0; i < kFuseRowCharacters; ++i)
      map[r].push_back((r * 7 + i * 3 + i / 11) % 5 < 2 ? '1' : '0');
  return map;
}

// Every row of PatternMap() as `piecesPerRow` lines of equal length, each given `tail`.
inline std::string FuseLines(std::size_t piecesPerRow = 4, const std::string& tail = "\n") {
  std::string text;
  const std::size_t length = kFuseRowCharacters / piecesPerRow;
  for (const std::string& row : PatternMap())
    for (std::size_t at = 0; at < kFuseRowCharacters; at += length)
      text += row.substr(at, length) + tail;
  return text;
}

// The fuse checksum of PatternMap(), worked out apart from the reader.
inline constexpr char kPatternChecksum[] = "42BD";

// A JEDEC file of PatternMap() as fitters write them: a header, the fuse list behind its
// marker with 60 fuses a line, the fuse checksum, and the end of transmission with a
// transmission checksum that was not computed.
inline std::string JedecFileText() {
  return "\x02KVX7000 logic\nQP100*\nQF32160*\nF0*\n*L00000\n" + FuseLines() + "*C" +
         kPatternChecksum +
         "*\n\x03"
         "0000\n";
}

}  // namespace kvx::test
