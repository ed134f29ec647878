#pragma once

#include "sim/flash_model.h"
#include "sim/logic_device.h"

namespace kvx::sim {

// Everything of the probe that outlives a power cycle, and a little that does not (ISP mode).
struct DeviceState {
  FlashModel flash;
  LogicDevice logic;
  // Until the host changes the firmware area or the logic cells, the identity reports the
  // versions given on the command line; from then on (and for cells loaded from a state
  // file) the versions found in the cells, so an update or an erase shows in the next query.
  bool firmwareFromCells = false;
  bool logicFromCells = false;
};

}  // namespace kvx::sim
