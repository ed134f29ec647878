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
  // Joined requests and the read-back before the marker together take about as long as the
  // window's record-by-record exchange alone, and a flash cell that fails silently is caught
  // before the image is marked good.
  FirmwareWriteMode mode{true, true};
};

UpdatePlan PlanFor(const ProbeSession& session, FirmwareWriteMode mode) {
  UpdatePlan plan = session.Actions().PlanUpdate();
  plan.firmware.mode = mode;
  return plan;
}

ProbeJob UpdateJob(FirmwareWriteMode mode) {
  ProbeJob job;
  job.action = [mode](ProbeSession& session, nlohmann::json&) {
    return session.Actions().RunUpdate(PlanFor(session, mode));
  };
  job.printText = [](const ProbeSession& session, const nlohmann::json& record) {
    PrintIdentity(session);
    std::printf("Transfer:          %llu bytes at %.0f bytes/s\n",
                record["bytesExchanged"].get<unsigned long long>(),
                record["bytesPerSecond"].get<double>());
  };
  return job;
}

ProbeJob DryRunJob(FirmwareWriteMode mode) {
  ProbeJob job;
  job.action = [mode](ProbeSession& session, nlohmann::json& results) {
    const UpdatePlan plan = PlanFor(session, mode);
    results["dryRun"] = PreviewJson(plan, session.BaudRate());
    if (!plan.Passes()) results["reason"] = plan.NothingSentReason();
    return plan.Passes();
  };
  job.printText = [mode](const ProbeSession& session, const nlohmann::json& record) {
    PrintPreview(PlanFor(session, mode), record["baudRate"].get<std::uint32_t>());
  };
  return job;
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
  command->add_flag("--fast,!--record-by-record", options->mode.joined,
                    "Program records that continue each other in shared requests of up to 1488 "
                    "bytes (the default); --record-by-record sends one request a record, as the "
                    "window does");
  command->add_flag("--verify,!--no-verify", options->mode.verify,
                    "Read the programmed firmware back and write the image marker only if it "
                    "matches (the default); --no-verify leaves the read-back out, as the window "
                    "does");
  command->callback([options, &exitStatus] {
    ProbeJob job = options->dryRun ? DryRunJob(options->mode) : UpdateJob(options->mode);
    job.command = "update";
    job.settings.updateDirectory = ChosenUpdateDirectory(options->directory);
    exitStatus = RunProbeJob(options->probe, job);
  });
}

}  // namespace kvx::cli
