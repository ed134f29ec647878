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

// A kind of update file that is missing is not due, so the window offers no update that can
// only fail; on the command line, where the folder is typed, a folder without any is most
// likely the wrong one, and a missing kind is worth a line. True when there is something to
// update with.
bool FoundUpdateFiles(ProbeSession& session) {
  const NewestNumbers& newest = session.Actions().Newest();
  const std::string folder = session.UpdateDirectory().string();
  if (newest.firmware == 0 && newest.logic == 0) {
    session.Services().Explain(folder + " holds no update files (" + kFirmwareBaseName + ".nnn, " +
                               kLogicBaseName + ".nnn): nothing to update with");
    return false;
  }
  if (newest.firmware == 0) {
    session.Services().Explain("no " + std::string(kFirmwareBaseName) + " update file in " +
                               folder + ": the firmware is left as it is");
  }
  if (newest.logic == 0) {
    session.Services().Explain("no " + std::string(kLogicBaseName) + " update file in " + folder +
                               ": the logic is left as it is");
  }
  return true;
}

ProbeJob UpdateJob(FirmwareWriteMode mode) {
  ProbeJob job;
  job.action = [mode](ProbeSession& session, nlohmann::json&) {
    return FoundUpdateFiles(session) && session.Actions().RunUpdate(PlanFor(session, mode));
  };
  job.summarise = [](const ProbeSession& session) { return VersionsSummary(session, false); };
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
    if (!FoundUpdateFiles(session)) return false;
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
