#pragma once

#include <termios.h>

#include <cstdint>
#include <optional>

namespace kvx {

// Raw 8N1 for the probe: every byte passes unaltered, no echo, no signals, no flow control
// of either kind, modem status lines ignored, receiver on. The rate is left alone.
void MakeRawEightNoneOne(termios& settings);

// The B constant for a rate that has one.
std::optional<speed_t> StandardSpeed(std::uint32_t bitsPerSecond);

// Whether a port running at `effective` bits per second talks with one at `requested`:
// UART framing tolerates a couple of percent between the two ends.
bool RateIsClose(std::uint32_t requested, std::uint32_t effective);

}  // namespace kvx
