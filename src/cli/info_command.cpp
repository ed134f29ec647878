#include "cli/commands.h"

#include <cstdio>
#include <memory>

#include "cli/command_report.h"
#include "cli/probe_action.h"
#include "cli/probe_changes_text.h"

namespace kvx::cli {

namespace {

// An interrupted update or an erase leaves a firmware the loader does not take for one.
bool FirmwareIncomplete(const ProbeSession& session) {
  return session.Actions().Identity().firmwareVersion == 0;
}

}  // namespace

void AddInfoCommand(CLI::App& app, int& exitStatus) {
  auto options = std::make_shared<ProbeOptions>();
  CLI::App* command =
      app.add_subcommand("info", "Connect to the probe and show its versions and addresses");
  AddProbeOptions(*command, *options);
  command->callback([options, &exitStatus] {
    ProbeJob job;
    job.command = "info";
    job.settings.updateDirectory = DefaultUpdateDirectory();
    job.action = [](ProbeSession& session, nlohmann::json& results) {
      if (FirmwareIncomplete(session)) results["advice"] = kIncompleteFirmwareAdvice;
      return true;
    };
    job.summarise = [](const ProbeSession& session) { return VersionsSummary(session, true); };
    job.printText = [](const ProbeSession& session, const nlohmann::json& record) {
      std::printf("Port:              %s at %u baud\n", session.Port().c_str(),
                  record["baudRate"].get<unsigned>());
      PrintIdentity(session);
      if (FirmwareIncomplete(session))
        std::printf("Note:              %s\n", kIncompleteFirmwareAdvice);
    };
    exitStatus = RunProbeJob(*options, job);
  });
}

}  // namespace kvx::cli
