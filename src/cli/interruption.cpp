#include "cli/interruption.h"

#include <atomic>
#include <cstdlib>

#include "cli/commands.h"
#include "os/system.h"

namespace kvx::cli {

namespace {

// Lock-free, so the signal handler may touch it while the probes' threads read it.
std::atomic<bool> stopRequested{false};

constexpr char kStoppingNotice[] =
    "\nstopping after the exchange under way; press Ctrl-C again to quit at once\n";

void StopOrQuit() {
  if (stopRequested.exchange(true)) std::_Exit(kExitInterrupted);
  os::WriteToStandardError(kStoppingNotice, sizeof kStoppingNotice - 1);
}

}  // namespace

void StopProbesOnSignals() {
  static_assert(std::atomic<bool>::is_always_lock_free);
  os::CallOnStopRequests(StopOrQuit);
  os::ReportFailedWritesInsteadOfDying();
}

bool StopRequested() {
  return stopRequested.load();
}

bool InterruptibleChannel::OpenPort(const ChosenPort& port) {
  return !StopRequested() && port_.OpenPort(port);
}

long InterruptibleChannel::WriteBlock(const std::uint8_t* bytes, std::size_t n) {
  if (StopRequested()) return -1;
  return port_.WriteBlock(bytes, n);
}

// Once stopped, whatever failed last failed because of the stop.
std::string InterruptibleChannel::LastError() const {
  return StopRequested() ? "interrupted" : port_.LastError();
}

}  // namespace kvx::cli
