#pragma once

#include <cstdint>

#include "link/posix/posix_system.h"

namespace kvx {

// Sets both directions of the open port `fd` to `bitsPerSecond`: through a B constant where
// one names the rate, otherwise through termios2. The rate counts as taken only when the
// port reads back close to it afterwards, since some drivers quietly fall back to another
// rate; otherwise the previous settings are put back and the answer is false. Rate 0
// (which would hang up the line) is always refused.
bool ApplyLineRate(PosixSystem& system, int fd, std::uint32_t bitsPerSecond);

}  // namespace kvx
