#pragma once

#include <string>

#include "link/serial_channel.h"

namespace kvx::cli {

// Ctrl-C, SIGTERM and SIGHUP (a closed terminal, a dropped ssh session) while probes are
// served. The first asks every probe to stop at its next exchange boundary: the request under
// way is answered or times out, and no request of the step under way is sent after it, so no
// request is cut in half and a firmware update never reaches its image marker; then the line
// being fine, the probe is left as it should be, out of programming mode and its firmware
// started. The second ends the program at once.
// Meanwhile a closed pipe on standard output, or a full file-size limit, makes a write fail
// with an error instead of ending the program between two steps of an update.
//
// The first stop is noticed with a line, "stopping after the exchange under way; ...", written
// where the notice says.
enum class StopNotice {
  kOwnLine,        // on a line of its own below whatever was written
  kOverTransient,  // over the terminal line a progress bar is redrawn on, which goes on below
  kByCaller,       // nothing: the caller shows StoppingNotice() where its display allows
};
void StopProbesOnSignals(StopNotice notice);
bool StopRequested();
// "stopping after the exchange under way; press Ctrl-C again to quit at once"
const char* StoppingNotice();

// A port whose probe is given up on once a stop is requested: the link then sends no request
// but those that wind down (ProbeLink::stopped says a run was cut short so), opens the port no
// more, and ends its pauses early.
class InterruptibleChannel final : public ForwardingChannel {
 public:
  explicit InterruptibleChannel(SerialChannel& port) : ForwardingChannel(port) {}

  bool Abandoned() const override { return StopRequested(); }
};

}  // namespace kvx::cli
