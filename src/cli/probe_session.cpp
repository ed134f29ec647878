#include "cli/probe_session.h"

#include <cstdio>
#include <utility>
#include <vector>

#include "app/probe_connect.h"
#include "cli/commands.h"
#include "link/channel_ops.h"
#include "link/link_startup.h"
#include "link/serial_port.h"
#include "ui/messages.h"

namespace kvx::cli {

namespace {

// kvxctl has no Port and Speed lists, so their indices select nothing.
DialogFields FieldsFor(const SetupDocument& document) {
  DialogFields fields;
  fields.network = document.network;
  return fields;
}

// What --port takes on this system.
const char* PortsTaken(const PortNaming& naming) {
  return naming.comNumbersPortsPresent
             ? "a device path, or COM1 to COM19 (the serial ports present, in the order "
               "'kvxctl ports' lists them)"
             : "COM1 to COM255 or \\\\.\\COMn, as the Device Manager names the probe's port";
}

}  // namespace

void AddProbeOptions(CLI::App& command, ProbeOptions& options, PortRule portRule) {
  const PortNaming& naming = ThisSystemsPortNaming();
  CLI::Option* port = command.add_option(
      "-p,--port", options.ports,
      std::string("Serial port: ") + PortsTaken(naming) + "; give it again, or a pattern such as " +
          naming.quotedPattern + ", to serve several probes at once");
  // One port a --port: a stray word after it ("--port A B") would otherwise be served as a
  // probe too.
  port->expected(1)
      ->allow_extra_args(false)
      ->multi_option_policy(CLI::MultiOptionPolicy::TakeAll)
      ->check(NamesA("port"));
  if (portRule == PortRule::kRequired) port->required();
  command.add_option("-s,--speed", options.speed, "Line speed to agree with the probe")
      ->check(
          CLI::IsMember(std::vector<std::uint32_t>(kSpeedListRates.begin(), kSpeedListRates.end())))
      ->capture_default_str();
  command.add_flag("--json", options.json, "Print the result as one JSON object");
  command.add_flag("--trace", options.trace,
                   "Write every frame sent and received to standard error");
  command
      .add_option("--report", options.reportPath,
                  "Append each probe's result as a JSON line, with the time and this "
                  "tool's version, to this file")
      ->check(NamesA("file"));
}

ProbeSession::ProbeSession(const ProbeOptions& options, std::string port, SessionSettings settings,
                           StatusOutput& out, TerminalServices::Input in)
    : options_(options),
      portName_(std::move(port)),
      port_(ChoosePort(portName_)),
      channel_(MakeSerialChannel()),
      stoppable_(*channel_),
      trace_(settings.traceStream),
      meter_(options.trace ? &trace_ : nullptr),
      link_(stoppable_),
      services_(out, in, settings.confirmation),
      catalogue_(settings.updateDirectory),
      actions_(UpdateSetupActions::Parts{link_, [this] { return OpenLink(); }, catalogue_,
                                         controls_, services_, firmwareProgress_},
               FieldsFor(settings.document)),
      runFiles_(settings.runFiles) {
  stoppable_.SetTap(&meter_);
}

ProbeSession::~ProbeSession() {
  Finish();
}

bool ProbeSession::Connect() {
  actions_.OnOpen();
  open_ = actions_.OnConnect();
  // Where no loader answered, the reason names the port; the speed asked for is the command
  // line's.
  const std::vector<std::string>& messages = services_.Messages();
  const bool unanswered = !messages.empty() && messages.back() == kCannotConnectText;
  if (!open_ && unanswered && openCalls_ > 0 && !link_.stopped && stoppable_.LastError().empty()) {
    services_.Explain("the speed asked for was " + std::to_string(options_.speed) + " baud");
  }
  return open_;
}

void ProbeSession::Finish() {
  if (!open_) return;
  open_ = false;
  if (!actions_.OnOk()) actions_.OnCancel();
}

void ProbeSession::UseNetworkTexts(const NetworkSetupTexts& texts) {
  const ProbeIdentity& id = actions_.Identity();
  DialogFields fields = actions_.Fields();
  fields.network = texts;
  ShowFields(controls_, fields, id.serialNumber, id.macAddressText);
}

// The port and the rate are those the command line named.
ErrorCode ProbeSession::OpenLink() {
  ++openCalls_;
  if (openCalls_ > 1) {
    services_.ShowTransient("Connecting to KVX Loader ... attempt " + std::to_string(openCalls_) +
                            " of " + std::to_string(kConnectAttempts));
  }
  return ConnectProbeLink(link_, port_, options_.speed);
}

}  // namespace kvx::cli
