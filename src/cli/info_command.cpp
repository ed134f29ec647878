#include "cli/commands.h"

#include <cstdio>
#include <memory>
#include <optional>

#include "app/probe_changes_text.h"
#include "cli/command_report.h"
#include "cli/probe_action.h"
#include "loader/command_exchange.h"
#include "setup/read_setup_block.h"
#include "ui/messages.h"

namespace kvx::cli {

namespace {

// The setup block as the probe holds it, in one request; nothing after the reason was given.
std::optional<StoredNetworkSetup> ReadNetworkSetup(ProbeSession& session) {
  StoredNetworkSetup stored;
  if (ReadStoredSetupBlock(session.Link(), stored) != kOk) {
    session.Services().Explain("reading the network setup: " +
                               DescribeExchangeFailure(session.Link()));
    return std::nullopt;
  }
  return stored;
}

}  // namespace

int RunInfo(const InfoRequest& request, const CommandIo& io) {
  ProbeJob job;
  job.command = "info";
  job.settings.updateDirectory = DefaultUpdateDirectory();
  job.action = [](ProbeSession& session) {
    session.Outcome().firmwareIncomplete = FirmwareIncomplete(session.Actions().Identity());
    session.Outcome().networkSetup = ReadNetworkSetup(session);
    return session.Outcome().networkSetup.has_value();
  };
  job.summarise = [](const ProbeOutcome& outcome) { return VersionsSummary(outcome, true); };
  job.printText = [](const ProbeOutcome& outcome, std::FILE* out) {
    std::fprintf(out, "Port:              %s at %u baud\n", outcome.port.c_str(),
                 static_cast<unsigned>(outcome.baudRate));
    PrintIdentity(out, outcome);
    if (outcome.firmwareIncomplete)
      std::fprintf(out, "Note:              %s\n", kIncompleteFirmwareAdvice);
    if (outcome.networkSetup) PrintNetworkSetup(out, *outcome.networkSetup, outcome.serialNumber);
  };
  return RunProbeJob(request.probe, job, io);
}

void AddInfoCommand(CLI::App& app, const CommandIo& io, int& exitStatus) {
  auto request = std::make_shared<InfoRequest>();
  CLI::App* command = app.add_subcommand(
      "info", "Connect to the probe and show its versions, addresses and network setup");
  AddProbeOptions(*command, request->probe);
  command->callback([request, &io, &exitStatus] { exitStatus = RunInfo(*request, io); });
}

}  // namespace kvx::cli
