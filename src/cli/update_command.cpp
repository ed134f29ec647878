#include "cli/commands.h"

#include <cstdio>
#include <memory>

#include "cli/command_report.h"
#include "cli/probe_action.h"
#include "cli/update_preview.h"

namespace kvx::cli {

namespace {

struct UpdateOptions {
  ProbeOptions probe;
  std::string directory;
  bool dryRun = false;
  FirmwareWriteMode mode;
};

int RunUpdate(ProbeSession& session, FirmwareWriteMode mode, bool json) {
  TransferMeter::Rate rate;
  const auto update = [&](nlohmann::json& results) {
    UpdatePlan plan = session.Actions().PlanUpdate();
    plan.firmware.mode = mode;
    session.Services().StopUpdateOnInterrupt();
    session.Meter().Restart();
    const bool passed = session.Actions().RunUpdate(plan);
    rate = session.Meter().Measure();
    results["bytesExchanged"] = rate.bytes;
    results["seconds"] = rate.seconds;
    results["bytesPerSecond"] = rate.BytesPerSecond();
    return passed;
  };
  const auto print = [&] {
    PrintIdentity(session);
    std::printf("Transfer:          %llu bytes in %.2f s, %.0f bytes/s\n",
                static_cast<unsigned long long>(rate.bytes), rate.seconds, rate.BytesPerSecond());
  };
  return RunProbeAction(session, json, update, print);
}

int RunDryRun(ProbeSession& session, FirmwareWriteMode mode, bool json) {
  UpdatePlan plan;
  const auto check = [&](nlohmann::json& results) {
    plan = session.Actions().PlanUpdate();
    plan.firmware.mode = mode;
    results["dryRun"] = PreviewJson(plan, session.BaudRate());
    if (!plan.Passes()) results["reason"] = plan.NothingSentReason();
    return plan.Passes();
  };
  return RunProbeAction(session, json, check, [&] { PrintPreview(plan, session.BaudRate()); });
}

}  // namespace

void AddUpdateCommand(CLI::App& app, int& exitStatus) {
  auto options = std::make_shared<UpdateOptions>();
  CLI::App* command = app.add_subcommand(
      "update", "Program the newest firmware and logic files into the probe where they differ");
  AddProbeOptions(*command, options->probe);
  AddDirectoryOption(*command, options->directory);
  command->add_flag("--dry-run", options->dryRun,
                    "Check both files and show what would be erased and programmed, changing "
                    "nothing");
  command->add_flag("--fast", options->mode.joined,
                    "Program records that continue each other in shared requests of up to 1488 "
                    "bytes");
  command->add_flag("--verify", options->mode.verify,
                    "Read the programmed firmware back and write the image marker only if it "
                    "matches");
  command->callback([options, &exitStatus] {
    ProbeSession session(options->probe,
                         SessionSettings{{}, ChosenUpdateDirectory(options->directory)});
    exitStatus = options->dryRun ? RunDryRun(session, options->mode, options->probe.json)
                                 : RunUpdate(session, options->mode, options->probe.json);
  });
}

}  // namespace kvx::cli
