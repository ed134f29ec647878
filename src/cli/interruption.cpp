#include "cli/interruption.h"

#include <atomic>
#include <cstdlib>
#include <string>

#include "cli/commands.h"
#include "cli/status_output.h"
#include "os/system.h"
#include "os/whole_file.h"

namespace kvx::cli {

namespace {

// Lock-free, so the signal handler may touch it while the probes' threads read it.
std::atomic<bool> stopRequested{false};

constexpr char kStoppingNotice[] =
    "stopping after the exchange under way; press Ctrl-C again to quit at once";

// Made before the handler is installed and only read by it.
std::string notice;

void StopOrQuit() {
  if (stopRequested.exchange(true)) {
    os::RemoveUnfinishedFiles();
    std::_Exit(kExitInterrupted);
  }
  if (!notice.empty()) os::WriteToStandardError(notice.data(), notice.size());
}

}  // namespace

void StopProbesOnSignals(StopNotice style) {
  static_assert(std::atomic<bool>::is_always_lock_free);
  // The line break before the notice steps past the "^C" a terminal echoes; over a progress
  // bar, a carriage return and an erase clear it and the bar's remains together, and the
  // notice is broken into lines the terminal does not wrap.
  switch (style) {
    case StopNotice::kOwnLine:
      notice = std::string("\n") + kStoppingNotice + "\n";
      break;
    case StopNotice::kOverTransient:
      notice = "\r\033[K" + WrappedForTerminal(kStoppingNotice, TerminalWidth(stderr)) + "\n";
      break;
    case StopNotice::kByCaller:
      notice.clear();
      break;
  }
  os::CallOnStopRequests(StopOrQuit);
  os::ReportFailedWritesInsteadOfDying();
}

bool StopRequested() {
  return stopRequested.load();
}

const char* StoppingNotice() {
  return kStoppingNotice;
}

}  // namespace kvx::cli
