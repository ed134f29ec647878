#pragma once

#include <cstddef>
#include <cstdint>

#include "sim/fault_trigger.h"
#include "sim/seeded_random.h"
#include "sim/simulator_options.h"

namespace kvx::sim {

// The faults chosen for one request.
struct RequestFaults {
  bool silent = false;  // not carried out, not answered
  bool dropReply = false;
  bool wrongLetter = false;
  bool wrongLength = false;
  bool corruptChecksum = false;
  std::size_t noiseBytes = 0;
  std::uint32_t holdMs = 0;
  bool unplug = false;  // the line goes away with this request: nothing is answered any more
  bool failErase = false;
  bool failProgram = false;
  bool weakCell = false;
};

// Decides, request by request, which of the configured faults strike. The decisions depend
// only on the options (seed included) and the sequence of requests, so a test can replay them.
class FaultPlan {
 public:
  explicit FaultPlan(const FaultOptions& options) : options_(options), random_(options.seed) {}

  RequestFaults Decide(const RequestTag& tag);
  // Noise bytes for one reply: never 0x10, so the frame behind them is still found.
  std::uint8_t NextNoiseByte();
  // A noisy line: flips one bit of each byte with the chance the options give.
  void FlipBits(std::uint8_t* bytes, std::size_t n);

 private:
  static constexpr std::uint32_t kMaxNoiseBytes = 16;

  bool Fires(const FaultTrigger& trigger, const RequestTag& tag) {
    return trigger.Fires(tag, random_);
  }

  FaultOptions options_;
  SeededRandom random_;
};

}  // namespace kvx::sim
