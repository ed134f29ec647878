#pragma once

#include <string>
#include <utility>

#include "link/channel_ops.h"
#include "link/link_startup.h"
#include "link/posix/posix_serial_channel.h"
#include "link/probe_link.h"
#include "simulated_probe.h"

namespace kvx::test {

// The simulator on a pseudo-terminal and our real serial backend connected to it at 115200
// baud, the way every probe procedure finds the link.
struct ConnectedProbe {
  explicit ConnectedProbe(sim::SimulatorOptions options = WithRate(115200))
      : probe(std::move(options)), link(channel) {
    startup = ConnectProbeLink(link, probe->SlavePath(), 115200);
  }
  ~ConnectedProbe() { CloseProbeLink(link); }
  ConnectedProbe(const ConnectedProbe&) = delete;
  ConnectedProbe& operator=(const ConnectedProbe&) = delete;

  static sim::SimulatorOptions WithRate(std::uint32_t rate) {
    sim::SimulatorOptions options;
    options.rate = rate;
    return options;
  }

  SimulatedProbe probe;
  PosixSerialChannel channel;
  ProbeLink link;
  ErrorCode startup = kErrNotConnected;
};

}  // namespace kvx::test
