#include "sim/simulator_group.h"

#include <exception>
#include <thread>

namespace kvx::sim {

namespace {

bool IsDigit(char c) {
  return c >= '0' && c <= '9';
}

// `serial` with the digits that end it counted up by `steps`, keeping their width; nothing
// when there are no such digits or they would need another place. Counted digit by digit, so
// a 10-character serial number never overflows an integer.
std::optional<std::string> CountedSerial(std::string serial, std::size_t steps) {
  std::size_t carry = steps;
  for (std::size_t at = serial.size(); carry != 0 && at > 0 && IsDigit(serial[at - 1]); --at) {
    const std::size_t sum = static_cast<std::size_t>(serial[at - 1] - '0') + carry;
    serial[at - 1] = static_cast<char>('0' + sum % 10);
    carry = sum / 10;
  }
  if (carry != 0) return std::nullopt;
  return serial;
}

}  // namespace

Result<std::vector<SimulatorOptions>> GroupOptions(const SimulatorOptions& first,
                                                   std::size_t count) {
  if (count > 1 && !CountedSerial(first.identity.serial, count - 1)) {
    return Failure{"cannot give " + std::to_string(count) +
                       " probes serial numbers of their own: the serial number " +
                       first.identity.serial + " must end in digits that count up by " +
                       std::to_string(count - 1) + " without needing another place",
                   {}};
  }
  std::vector<SimulatorOptions> probes(count, first);
  for (std::size_t index = 0; index < count; ++index) {
    SimulatorOptions& probe = probes[index];
    probe.identity.serial = *CountedSerial(first.identity.serial, index);
    if (!probe.statePath.empty()) probe.statePath = ProbePath(first.statePath, index, count);
    if (count > 1) probe.logName += "[" + std::to_string(index + 1) + "]";
  }
  return probes;
}

std::string ProbePath(const std::string& path, std::size_t index, std::size_t count) {
  return count == 1 ? path : path + std::to_string(index + 1);
}

Result<SimulatorGroup> SimulatorGroup::Start(const std::vector<SimulatorOptions>& probes) {
  std::vector<std::unique_ptr<PtySimulator>> started;
  for (const SimulatorOptions& options : probes) {
    Result<std::unique_ptr<PtySimulator>> probe = PtySimulator::Start(options);
    if (!probe) return probe.failure();
    started.push_back(std::move(probe).value());
  }
  return SimulatorGroup(std::move(started));
}

void SimulatorGroup::Run() {
  std::vector<std::exception_ptr> failures(probes_.size());
  std::vector<std::thread> threads;
  for (std::size_t index = 0; index < probes_.size(); ++index) {
    threads.emplace_back([this, index, &failures] {
      try {
        probes_[index]->Run();
      } catch (...) {
        failures[index] = std::current_exception();
        Stop();
      }
    });
  }
  for (std::thread& thread : threads) thread.join();
  for (const std::exception_ptr& failure : failures) {
    if (failure) std::rethrow_exception(failure);
  }
}

void SimulatorGroup::Stop() {
  for (const std::unique_ptr<PtySimulator>& probe : probes_) probe->Stop();
}

}  // namespace kvx::sim
