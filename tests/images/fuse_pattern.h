#pragma once

#include <cstddef>

#include "images/fuse_map.h"

namespace kvx::test {

// A different fuse pattern in every row, so rows cannot be swapped or shifted unnoticed.
inline FuseMap PatternMap() {
  FuseMap map;
  for (std::size_t r = 0; r < kFuseRowCount; ++r)
    for (std::size_t i = 0; i < kFuseRowCharacters; ++i)
      map[r].push_back((r * 7 + i * 3 + i / 11) % 5 < 2 ? '1' : '0');
  return map;
}

}  // namespace kvx::test
