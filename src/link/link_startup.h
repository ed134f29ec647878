#pragma once

#include <cstdint>

#include "link/chosen_port.h"
#include "link/error_code.h"
#include "link/probe_link.h"

namespace kvx {

// Opens the port, wakes the loader and agrees on the rate; on success the link is connected
// with the request numbering reset. Otherwise returns kErrPort, kErrNoReply or
// kStartupRateLost with the port closed again.
ErrorCode ConnectProbeLink(ProbeLink& link, const ChosenPort& port, std::uint32_t requestedRate);
// Finds the rate the loader listens at and moves both ends to `requestedRate` (or what the
// loader answers instead). 0, kErrNoReply, kErrPort or kStartupRateLost.
ErrorCode NegotiateSpeed(ProbeLink& link, std::uint32_t requestedRate);

}  // namespace kvx
