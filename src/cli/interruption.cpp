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

long InterruptibleChannel::WriteBlock(const std::uint8_t* bytes, std::size_t n) {
  if (StopRequested()) return -1;
  return port_.WriteBlock(bytes, n);
}

void InterruptibleChannel::SleepMs(std::uint32_t ms) {
  if (!StopRequested()) port_.SleepMs(ms);
}

}  // namespace kvx::cli
