#pragma once

#include <pty.h>
#include <unistd.h>

#include <string>
#include <utility>

#include "link/channel_ops.h"
#include "link/link_startup.h"
#include "link/posix/posix_serial_channel.h"
#include "link/probe_link.h"
#include "simulated_probe.h"

namespace kvx::test {

// A pseudo-terminal whose other end the test holds and never answers on: a device to open, or
// what a probe that is switched off looks like.
struct UnansweredPty {
  UnansweredPty() {
    int slave = -1;
    char name[128] = {};
    if (openpty(&master, &slave, name, nullptr, nullptr) == 0) close(slave);
    path = name;
  }
  ~UnansweredPty() { close(master); }
  UnansweredPty(const UnansweredPty&) = delete;
  UnansweredPty& operator=(const UnansweredPty&) = delete;

  int master = -1;
  std::string path;
};

// Our real serial backend connected to the probe at `path` at 115200 baud, the way every
// probe procedure finds the link.
struct ConnectedPort {
  explicit ConnectedPort(const std::string& path)
      : link(channel), startup(ConnectProbeLink(link, path, 115200)) {}
  ~ConnectedPort() { CloseProbeLink(link); }
  ConnectedPort(const ConnectedPort&) = delete;
  ConnectedPort& operator=(const ConnectedPort&) = delete;

  PosixSerialChannel channel;
  ProbeLink link;
  ErrorCode startup;
};

// Holds the simulator so that it starts before the port that connects to it.
struct SimulatorFirst {
  SimulatedProbe probe;
};

// The simulator on a pseudo-terminal with our real serial backend connected to it.
struct ConnectedProbe : SimulatorFirst, ConnectedPort {
  explicit ConnectedProbe(sim::SimulatorOptions options = WithRate(115200))
      : SimulatorFirst{SimulatedProbe(std::move(options))}, ConnectedPort(probe->SlavePath()) {}

  static sim::SimulatorOptions WithRate(std::uint32_t rate) {
    sim::SimulatorOptions options;
    options.rate = rate;
    return options;
  }
};

}  // namespace kvx::test
