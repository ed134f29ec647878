#include "sim/simulator_options.h"

namespace kvx::sim {

Result<void> CheckOptions(const SimulatorOptions& options) {
  const std::size_t serialLength = options.identity.serial.size();
  if (serialLength != 8 && serialLength != 10) {
    return Failure{
        "the serial number must have 8 or 10 characters, not " + std::to_string(serialLength), {}};
  }
  if (options.rate == 0) return Failure{"the rate must not be 0", {}};
  if (!(options.faults.bitFlipChance >= 0 && options.faults.bitFlipChance <= 1)) {
    return Failure{"the chance of a flipped bit must be from 0 to 1", {}};
  }
  return {};
}

}  // namespace kvx::sim
