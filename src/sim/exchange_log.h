#pragma once

#include <cstddef>
#include <cstdint>
#include <string>

#include "sim/loader_engine.h"

namespace kvx::sim {

// "10 01 72": bytes as two-digit hexadecimal numbers, space-separated.
std::string HexBytes(const std::uint8_t* bytes, std::size_t n);

// One line for --verbose: the request payload, the reply payload and what befell it, e.g.
// "<- 10 01 72  -> 10 01 00" or "<- 50 01 64  -> (dropped)".
std::string DescribeTransmission(const Transmission& transmission);

}  // namespace kvx::sim
