#pragma once

#include <cstdint>
#include <optional>
#include <string>
#include <thread>
#include <utility>

#include "sim/pty_simulator.h"

namespace kvx::test {

// A fault trigger in the simulator's option text form ("2", "h:0.03"); a malformed text
// throws, failing the test that wrote it.
inline sim::FaultTrigger Trigger(const std::string& text,
                                 std::optional<std::uint8_t> counts = std::nullopt) {
  std::string error;
  return sim::FaultTrigger::Parse(text, counts, error).value();
}

// The loader simulator serving its pseudo-terminal on a thread of its own for as long as
// this object lives, so tests and benchmarks open SlavePath() with the real serial backend.
class SimulatedProbe {
 public:
  explicit SimulatedProbe(sim::SimulatorOptions options = {})
      : simulator_(std::move(options)), thread_([this] { simulator_.Run(); }) {}
  ~SimulatedProbe() {
    simulator_.Stop();
    thread_.join();
  }
  SimulatedProbe(const SimulatedProbe&) = delete;
  SimulatedProbe& operator=(const SimulatedProbe&) = delete;

  sim::PtySimulator& operator*() { return simulator_; }
  sim::PtySimulator* operator->() { return &simulator_; }

 private:
  sim::PtySimulator simulator_;
  std::thread thread_;
};

}  // namespace kvx::test
