#pragma once

#include <cstdint>

namespace kvx {

// A loader, firmware, logic or update file version. 105 means version 1.05; 0 means none.
using VersionNumber = std::uint16_t;

}  // namespace kvx
