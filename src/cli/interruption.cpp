#include "cli/interruption.h"

#ifdef _WIN32
#include <io.h>
#else
#include <unistd.h>
#endif

#include <atomic>
#include <csignal>
#include <cstdlib>

#include "cli/commands.h"

namespace kvx::cli {

namespace {

// Lock-free, so the signal handler may touch it while the probes' threads read it.
std::atomic<bool> stopRequested{false};

constexpr char kStoppingNotice[] =
    "\nstopping after the exchange under way; press Ctrl-C again to quit at once\n";

extern "C" void StopOnSignal(int /*signal*/) {
  if (stopRequested.exchange(true)) std::_Exit(kExitInterrupted);
  // Only async-signal-safe calls here: one write of a constant text, whose failure leaves
  // nothing to do.
  const auto written = write(2, kStoppingNotice, sizeof kStoppingNotice - 1);
  static_cast<void>(written);
}

}  // namespace

void StopProbesOnSignals() {
  static_assert(std::atomic<bool>::is_always_lock_free);
  std::signal(SIGINT, StopOnSignal);
  std::signal(SIGTERM, StopOnSignal);
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
