#pragma once

#include <array>
#include <cstddef>
#include <string>

#include "loader/logic_commands.h"

namespace kvx {

inline constexpr std::size_t kFuseRowCount = 134;

// The logic device's fuses as the JEDEC reader delivers them and the logic update sends and
// compares them: one text of kFuseRowCharacters '0'/'1' characters per row, in file order.
// Fixed in size, so every row index the update uses exists whatever a reader left behind.
using FuseMap = std::array<std::string, kFuseRowCount>;

}  // namespace kvx
