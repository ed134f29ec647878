#include "cli/probe_session.h"

#include <unistd.h>

#include <cstdio>

#include "app/probe_connect.h"
#include "link/channel_ops.h"
#include "link/link_startup.h"
#include "loader/loader_commands.h"

namespace kvx::cli {

void AddProbeOptions(CLI::App& command, ProbeOptions& options) {
  command.add_option("-p,--port", options.port, "Serial port: a device path, or COM1 to COM19")
      ->required();
  command.add_option("-s,--speed", options.speed, "Line speed to agree with the probe")
      ->check(CLI::IsMember({9600, 19200, 38400, 57600, 115200}))
      ->capture_default_str();
  command.add_flag("--json", options.json, "Print the result as one JSON object");
  command.add_flag("--trace", options.trace,
                   "Write every frame sent and received to standard error");
}

ProbeSession::ProbeSession(const ProbeOptions& options)
    : options_(options), trace_(stderr), link_(channel_) {
  if (options_.trace) channel_.SetTap(&trace_);
}

ProbeSession::~ProbeSession() {
  Finish();
}

bool ProbeSession::Connect() {
  const ConnectOutcome outcome = ConnectToProbe(
      link_, [this] { return ConnectProbeLink(link_, options_.port, options_.speed); }, identity_);
  if (outcome == ConnectOutcome::kConnected) return true;
  finished_ = true;  // the link is closed already; there is no firmware to start
  const std::string why = channel_.LastError();
  if (!why.empty()) std::fprintf(stderr, "kvxctl: %s\n", why.c_str());
  std::fprintf(stderr, "%s\n", ConnectFailureText(outcome));
  return false;
}

void ProbeSession::Finish() {
  if (finished_) return;
  finished_ = true;
  StartFirmware(link_);
  CloseProbeLink(link_);
}

}  // namespace kvx::cli
