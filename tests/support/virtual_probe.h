#pragma once

#include <cstddef>
#include <cstdint>
#include <string>
#include <vector>

#include "engine_channel.h"
#include "fault_triggers.h"
#include "link/channel_ops.h"
#include "link/link_startup.h"
#include "link/probe_link.h"
#include "sim/loader_engine.h"

namespace kvx::test {

// The simulator's loader on a virtual line, with the link over it not yet connected: what the
// procedures' tests run against on every platform.
struct VirtualProbe {
  explicit VirtualProbe(const sim::SimulatorOptions& options = WithRate(115200))
      : engine(options), channel(engine, options.rate) {}
  ~VirtualProbe() { CloseProbeLink(link); }
  VirtualProbe(const VirtualProbe&) = delete;
  VirtualProbe& operator=(const VirtualProbe&) = delete;

  static sim::SimulatorOptions WithRate(std::uint32_t rate) {
    sim::SimulatorOptions options;
    options.rate = rate;
    return options;
  }

  // The link start-up at 115200 baud, the way every probe procedure finds the link.
  ErrorCode Connect() { return ConnectProbeLink(link, ChosenPort("COM1"), 115200); }

  std::vector<std::uint8_t> ReadFlash(std::uint32_t address, std::size_t n) const {
    return engine.Device().flash.Read(address, n);
  }
  std::string FuseRow(std::size_t row) const { return engine.Device().logic.Row(row); }
  bool InLogicIsp() const { return engine.Device().logic.InIsp(); }
  std::uint64_t Requests() const { return engine.Counters().requests; }
  const std::vector<sim::ProgramRecord>& ProgramLog() const { return engine.ProgramLog(); }

  sim::LoaderEngine engine;
  EngineChannel channel;
  ProbeLink link{channel};
};

// A virtual probe whose link the start-up has connected (`startup` says whether it did).
struct ConnectedVirtualProbe : VirtualProbe {
  explicit ConnectedVirtualProbe(const sim::SimulatorOptions& options = WithRate(115200))
      : VirtualProbe(options), startup(Connect()) {}

  ErrorCode startup;
};

}  // namespace kvx::test
