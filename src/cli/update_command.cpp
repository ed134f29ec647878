#include "cli/update_command.h"

#include <cstdio>
#include <memory>

#include "cli/command_report.h"
#include "cli/probe_action.h"
#include "cli/update_directory.h"
#include "cli/update_preview.h"

namespace kvx::cli {

namespace {

struct UpdateOptions {
  ProbeOptions probe;
  std::string directory;
  bool dryRun = false;
};

int RunUpdate(ProbeSession& session, bool json) {
  TransferMeter::Rate rate;
  const auto update = [&](nlohmann::json& results) {
    session.Meter().Restart();
    const bool passed = session.Actions().OnUpdate();
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

int RunDryRun(ProbeSession& session, bool json) {
  UpdatePreview preview;
  const auto check = [&](nlohmann::json& results) {
    const UpdateSetupActions& actions = session.Actions();
    preview = PreviewUpdate(session.Catalogue(), actions.Identity(), actions.NewestFirmware(),
                            actions.NewestLogic());
    results["dryRun"] = PreviewJson(preview);
    return preview.Passes();
  };
  return RunProbeAction(session, json, check, [&] { PrintPreview(preview); });
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
  command->callback([options, &exitStatus] {
    ProbeSession session(options->probe,
                         SessionSettings{{}, ChosenUpdateDirectory(options->directory)});
    exitStatus = options->dryRun ? RunDryRun(session, options->probe.json)
                                 : RunUpdate(session, options->probe.json);
  });
}

}  // namespace kvx::cli
