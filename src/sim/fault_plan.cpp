#include "sim/fault_plan.h"

#include "link/frame_encoding.h"

namespace kvx::sim {

RequestFaults FaultPlan::Decide(const RequestTag& tag) {
  RequestFaults faults;
  faults.unplug = options_.unplugAfter != 0 && tag.overallIndex > options_.unplugAfter;
  faults.silent =
      faults.unplug || (options_.silentAfter != 0 && tag.overallIndex > options_.silentAfter);
  if (faults.silent) return faults;
  // Every trigger is asked every time and in a fixed order, whatever the others decided, so
  // the same seed and the same requests always give the same faults.
  faults.dropReply = Fires(options_.dropReply, tag);
  faults.wrongLetter = Fires(options_.wrongLetter, tag);
  faults.wrongLength = Fires(options_.wrongLength, tag);
  faults.corruptChecksum = Fires(options_.corruptChecksum, tag);
  if (Fires(options_.leadingNoise, tag)) {
    faults.noiseBytes = random_.NextInRange(1, kMaxNoiseBytes);
  }
  faults.holdMs = options_.usbLatencyMs;
  if (Fires(options_.late, tag)) faults.holdMs += options_.lateMs;
  faults.failErase = Fires(options_.failErase, tag);
  faults.failProgram = Fires(options_.failProgram, tag);
  faults.weakCell = Fires(options_.weakCell, tag);
  return faults;
}

void FaultPlan::FlipBits(std::uint8_t* bytes, std::size_t n) {
  if (options_.bitFlipChance <= 0) return;
  for (std::size_t i = 0; i < n; ++i) {
    if (random_.NextUnit() < options_.bitFlipChance) {
      bytes[i] = static_cast<std::uint8_t>(bytes[i] ^ (1u << random_.NextInRange(0, 7)));
    }
  }
}

std::uint8_t FaultPlan::NextNoiseByte() {
  std::uint8_t byte = kDle;
  while (byte == kDle) byte = static_cast<std::uint8_t>(random_.Next());
  return byte;
}

}  // namespace kvx::sim
