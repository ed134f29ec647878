#pragma once

#include <array>
#include <cstdint>
#include <string>

#include "link/error_code.h"
#include "link/probe_link.h"

namespace kvx {

// The rates a user can choose, by speed index.
inline constexpr std::array<std::uint32_t, 5> kStandardBaudRates = {9600, 19200, 38400, 57600,
                                                                    115200};

// The device name of a port index: 0 is "\\.\COM1".
std::string PortDeviceName(std::int32_t portIndex);
// The rate of a speed index; anything outside 0..4 is 9600.
std::uint32_t SpeedIndexRate(std::int32_t speedIndex);

// Opens COM<portIndex + 1> and connects at the rate of `speedIndex`.
ErrorCode OpenProbeLink(ProbeLink& link, std::int32_t portIndex, std::int32_t speedIndex);
// Opens the port, wakes the loader and agrees on the rate; on success the link is connected
// with the request numbering reset. Otherwise returns kErrPort, kErrNoReply or
// kStartupRateLost with the port closed again.
ErrorCode ConnectProbeLink(ProbeLink& link, const std::string& deviceName,
                           std::uint32_t requestedRate);
// Finds the rate the loader listens at and moves both ends to `requestedRate` (or what the
// loader answers instead). 0, kErrNoReply, kErrPort or kStartupRateLost.
ErrorCode NegotiateSpeed(ProbeLink& link, std::uint32_t requestedRate);

}  // namespace kvx
