#pragma once

#include <ostream>

#include "sim/device_state.h"

namespace kvx::sim {

// Writes what the device holds, for a person to read: every 16-byte line of flash that is
// not all erased, as its address, the bytes in hex and the printable ones as text, then the
// logic device's signature and how many of its fuse rows are programmed (not all erased).
void DumpDeviceState(const DeviceState& device, std::ostream& out);

}  // namespace kvx::sim
