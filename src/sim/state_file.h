#pragma once

#include <string>

#include "os/result.h"
#include "sim/device_state.h"

namespace kvx::sim {

// Keeps flash and logic cells between runs in one binary file:
//   the line "KVXSIM STATE 1\n",
//   the flash image from kFlashBegin to kFlashEnd (kFlashSize bytes),
//   the 134 fuse rows of 240 characters '0'/'1', back to back,
//   the 120 signature characters.
// Nothing else; the file has exactly this length. A failure's text names the file.

// A file that does not exist is not an error: the device stays as it is (erased) and the
// file is written on saving. Any other problem leaves `device` untouched.
Result<void> LoadDeviceState(const std::string& path, DeviceState& device);

// Writes the file whole or not at all (os::WholeFile), so an interrupted save never leaves
// half a state behind.
Result<void> SaveDeviceState(const std::string& path, const DeviceState& device);

}  // namespace kvx::sim
