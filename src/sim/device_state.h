#pragma once

#include "sim/flash_model.h"
#include "sim/logic_device.h"

namespace kvx::sim {

// Everything of the probe that outlives a power cycle, and a little that does not (ISP mode).
struct DeviceState {
  FlashModel flash;
  LogicDevice logic;
};

}  // namespace kvx::sim
