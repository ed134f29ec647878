#pragma once

#include <CLI/CLI.hpp>
#include <cstdint>
#include <string>

#include "cli/frame_trace.h"
#include "link/posix/posix_serial_channel.h"
#include "link/probe_link.h"
#include "loader/probe_identity.h"

namespace kvx::cli {

// What every probe command takes from its command line.
struct ProbeOptions {
  std::string port;
  std::uint32_t speed = 115200;
  bool json = false;
  bool trace = false;
};

void AddProbeOptions(CLI::App& command, ProbeOptions& options);

// One probe connection for the length of one command. It connects the way the dialog's
// Connect does and ends the way its OK does: the probe is left running its firmware and the
// port is closed, also when the command fails halfway.
class ProbeSession {
 public:
  explicit ProbeSession(const ProbeOptions& options);
  ~ProbeSession();
  ProbeSession(const ProbeSession&) = delete;
  ProbeSession& operator=(const ProbeSession&) = delete;

  // Connects and reads the identity; on failure says why on standard error.
  bool Connect();
  // Starts the firmware and closes the port; later calls do nothing.
  void Finish();

  const ProbeIdentity& Identity() const { return identity_; }
  const std::string& Port() const { return options_.port; }
  std::uint32_t BaudRate() const { return link_.baudRate; }

 private:
  ProbeOptions options_;
  PosixSerialChannel channel_;
  FrameTrace trace_;
  ProbeLink link_;
  ProbeIdentity identity_;
  bool finished_ = false;
};

}  // namespace kvx::cli
