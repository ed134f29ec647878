#pragma once

#include <cstddef>
#include <memory>
#include <optional>
#include <string>
#include <vector>

#include "sim/pty_simulator.h"
#include "sim/simulator_options.h"

namespace kvx::sim {

// The options of `count` probes served side by side, made from `first`, or nothing with
// `error` set. Probe k (from 0) counts the digits that end the serial number up by k, keeping
// their width: 12345678, 12345679, ... or SIM00099, SIM00100, ...; a serial number that does
// not end in digits with room to count that far is refused, since a production line tells
// its probes apart by it. Each of several probes keeps its own state file and names itself
// in the log, both by its number from 1 (ProbePath).
Result<std::vector<SimulatorOptions>> GroupOptions(const SimulatorOptions& first,
                                                   std::size_t count);

// `path` itself for a lone probe; for one of several, `path` followed by its number from 1,
// so a glob such as 'PATH*' finds them all.
std::string ProbePath(const std::string& path, std::size_t index, std::size_t count);

// Several simulated probes in one process, each on its own pseudo-terminal and its own
// thread, so one probe's pacing, late replies or slow host never hold another up.
class SimulatorGroup {
 public:
  // Every probe started, or a failure as PtySimulator::Start's; nothing is served then.
  static Result<SimulatorGroup> Start(const std::vector<SimulatorOptions>& probes);

  std::size_t Size() const { return probes_.size(); }
  PtySimulator& operator[](std::size_t index) { return *probes_[index]; }

  // Serves every probe until Stop(). One that fails stops the others, and its exception is
  // rethrown once all have returned.
  void Run();
  // Makes Run() return soon. Safe to call from a signal handler.
  void Stop();

 private:
  explicit SimulatorGroup(std::vector<std::unique_ptr<PtySimulator>> probes)
      : probes_(std::move(probes)) {}

  std::vector<std::unique_ptr<PtySimulator>> probes_;
};

}  // namespace kvx::sim
