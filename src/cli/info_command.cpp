#include "cli/commands.h"

#include <cstdio>
#include <memory>
#include <optional>

#include "cli/command_report.h"
#include "cli/probe_action.h"
#include "cli/probe_changes_text.h"
#include "loader/command_exchange.h"
#include "loader/flash_commands.h"
#include "setup/setup_block.h"

namespace kvx::cli {

namespace {

// An interrupted update or an erase leaves a firmware the loader does not take for one.
bool FirmwareIncomplete(const ProbeSession& session) {
  return session.Actions().Identity().firmwareVersion == 0;
}

// The setup block as the probe holds it, in one request; nothing after the reason was given.
std::optional<StoredNetworkSetup> ReadNetworkSetup(ProbeSession& session) {
  SetupBlock block;
  if (ReadMemory(session.Link(), kSetupBlockAddress, static_cast<std::uint16_t>(block.size()),
                 block.data()) != kOk) {
    session.Services().Explain("reading the network setup: " +
                               DescribeExchangeFailure(session.Link()));
    return std::nullopt;
  }
  return ReadSetupBlock(block);
}

}  // namespace

void AddInfoCommand(CLI::App& app, int& exitStatus) {
  auto options = std::make_shared<ProbeOptions>();
  CLI::App* command = app.add_subcommand(
      "info", "Connect to the probe and show its versions, addresses and network setup");
  AddProbeOptions(*command, *options);
  command->callback([options, &exitStatus] {
    ProbeJob job;
    job.command = "info";
    job.settings.updateDirectory = DefaultUpdateDirectory();
    job.action = [](ProbeSession& session) {
      session.Outcome().firmwareIncomplete = FirmwareIncomplete(session);
      session.Outcome().networkSetup = ReadNetworkSetup(session);
      return session.Outcome().networkSetup.has_value();
    };
    job.summarise = [](const ProbeOutcome& outcome) { return VersionsSummary(outcome, true); };
    job.printText = [](const ProbeOutcome& outcome) {
      std::printf("Port:              %s at %u baud\n", outcome.port.c_str(),
                  static_cast<unsigned>(outcome.baudRate));
      PrintIdentity(outcome);
      if (outcome.firmwareIncomplete)
        std::printf("Note:              %s\n", kIncompleteFirmwareAdvice);
      if (outcome.networkSetup) PrintNetworkSetup(*outcome.networkSetup, outcome.serialNumber);
    };
    exitStatus = RunProbeJob(*options, job);
  });
}

}  // namespace kvx::cli
