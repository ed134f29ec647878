#include "cli/probe_session.h"

#include <unistd.h>

#include <algorithm>
#include <cstdio>
#include <iterator>

#include "app/probe_connect.h"
#include "cli/serial_port.h"
#include "link/link_startup.h"
#include "link/posix/port_name.h"

namespace kvx::cli {

namespace {

// The Port list entry of a COMn name; -1 (no entry) for a device path.
int PortListIndex(const std::string& port) {
  const std::optional<int> com = ParseComNumber(port);
  return com && *com <= kPortListEntries ? *com - 1 : -1;
}

// The Speed list entry of a rate the options accepted.
int SpeedListIndex(std::uint32_t speed) {
  const auto* found = std::find(kStandardBaudRates.begin(), kStandardBaudRates.end(), speed);
  return found == kStandardBaudRates.end()
             ? -1
             : static_cast<int>(std::distance(kStandardBaudRates.begin(), found));
}

DialogFields FieldsFor(const ProbeOptions& options, const SetupDocument& document) {
  DialogFields fields;
  fields.portIndex = PortListIndex(options.port);
  fields.speedIndex = SpeedListIndex(options.speed);
  fields.probeIpAddress = document.probeIpAddress;
  fields.hostIpAddress = document.hostIpAddress;
  fields.configFileName = document.configFileName;
  fields.subnetMask = document.subnetMask;
  fields.defaultGateway = document.defaultGateway;
  return fields;
}

TerminalServices::Streams StandardStreams() {
  return {stderr, isatty(STDERR_FILENO) == 1, stdin, isatty(STDIN_FILENO) == 1};
}

}  // namespace

void AddProbeOptions(CLI::App& command, ProbeOptions& options, PortRule portRule) {
  CLI::Option* port =
      command.add_option("-p,--port", options.port, "Serial port: a device path, or COM1 to COM19");
  if (portRule == PortRule::kRequired) port->required();
  command.add_option("-s,--speed", options.speed, "Line speed to agree with the probe")
      ->check(CLI::IsMember({9600, 19200, 38400, 57600, 115200}))
      ->capture_default_str();
  command.add_flag("--json", options.json, "Print the result as one JSON object");
  command.add_flag("--trace", options.trace,
                   "Write every frame sent and received to standard error");
}

ProbeSession::ProbeSession(const ProbeOptions& options, SessionSettings settings)
    : options_(options),
      channel_(MakeSerialChannel()),
      trace_(stderr),
      meter_(options.trace ? &trace_ : nullptr),
      link_(*channel_),
      controls_(FieldsFor(options, settings.document)),
      services_(StandardStreams(), settings.confirmation),
      catalogue_(settings.updateDirectory),
      actions_(
          UpdateSetupActions::Parts{link_,
                                    [this](int, int speedIndex) { return OpenLink(speedIndex); },
                                    catalogue_, controls_, services_, firmwareProgress_},
          FieldsFor(options, settings.document)) {
  channel_->SetTap(&meter_);
}

ProbeSession::~ProbeSession() {
  Finish();
}

bool ProbeSession::Connect() {
  actions_.OnOpen();
  open_ = actions_.OnConnect();
  if (!open_ && openCalls_ > 0) {
    const std::string why = channel_->LastError();
    if (!why.empty()) std::fprintf(stderr, "kvxctl: %s\n", why.c_str());
  }
  return open_;
}

void ProbeSession::Finish() {
  if (!open_) return;
  open_ = false;
  if (!actions_.OnOk()) actions_.OnCancel();
}

// The port is the one the command line named (a device path has no Port list entry); the
// rate is the one the Speed field selects.
ErrorCode ProbeSession::OpenLink(int speedIndex) {
  ++openCalls_;
  if (openCalls_ > 1) {
    services_.ShowTransient("Connecting to KVX Loader ... attempt " + std::to_string(openCalls_) +
                            " of " + std::to_string(kConnectAttempts));
  }
  return ConnectProbeLink(link_, DeviceToOpen(options_.port), SpeedIndexRate(speedIndex));
}

}  // namespace kvx::cli
