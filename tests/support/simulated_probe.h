#pragma once

#include <cstdint>
#include <memory>
#include <stdexcept>
#include <string>
#include <thread>
#include <utility>

#include "fault_triggers.h"
#include "sim/pty_simulator.h"

namespace kvx::test {

// The loader simulator serving its pseudo-terminal on a thread of its own for as long as
// this object lives, so tests and benchmarks open SlavePath() with the real serial backend.
class SimulatedProbe {
 public:
  explicit SimulatedProbe(sim::SimulatorOptions options = {})
      : simulator_(Started(std::move(options))), thread_([this] { simulator_->Run(); }) {}
  ~SimulatedProbe() {
    simulator_->Stop();
    thread_.join();
  }
  SimulatedProbe(const SimulatedProbe&) = delete;
  SimulatedProbe& operator=(const SimulatedProbe&) = delete;

  sim::PtySimulator& operator*() { return *simulator_; }
  sim::PtySimulator* operator->() { return simulator_.get(); }

 private:
  // A simulator that cannot start fails the test that asked for it, saying why.
  static std::unique_ptr<sim::PtySimulator> Started(sim::SimulatorOptions options) {
    Result<std::unique_ptr<sim::PtySimulator>> started =
        sim::PtySimulator::Start(std::move(options));
    if (!started) throw std::runtime_error(started.failure().text);
    return std::move(started).value();
  }

  std::unique_ptr<sim::PtySimulator> simulator_;
  std::thread thread_;
};

}  // namespace kvx::test
