#pragma once

#include <string>

#include "link/error_code.h"
#include "link/probe_link.h"
#include "setup/setup_block.h"

namespace kvx {

// Reads the setup block as the connected probe holds it, in one request, into `stored`.
// Returns 0, or the request's code with the cause in the link's failure.
ErrorCode ReadStoredSetupBlock(ProbeLink& link, StoredNetworkSetup& stored);

// Why the block's MAC address is not the probe's own, or empty when it is. A block copied
// from another probe gives this one the other's address on the network.
std::string MacAddressWarning(const StoredNetworkSetup& stored, const std::string& serialNumber);

}  // namespace kvx
