#include "cli/commands.h"

#include <cstdio>
#include <memory>

#include "cli/command_report.h"
#include "cli/probe_action.h"
#include "cli/probe_session.h"

namespace kvx::cli {

namespace {

// An interrupted update or an erase leaves a firmware the loader does not take for one.
bool FirmwareIncomplete(const ProbeSession& session) {
  return session.Controls().VersionText(VersionLabel::kCurrentFirmware) == "unknown";
}

}  // namespace

void AddInfoCommand(CLI::App& app, int& exitStatus) {
  auto options = std::make_shared<ProbeOptions>();
  CLI::App* command =
      app.add_subcommand("info", "Connect to the probe and show its versions and addresses");
  AddProbeOptions(*command, *options);
  command->callback([options, &exitStatus] {
    ProbeSession session(*options, SessionSettings{{}, DefaultUpdateDirectory()});
    // Finishing closes the link, and with it forgets the rate.
    std::uint32_t baudRate = 0;
    const auto addLink = [&session, &baudRate](nlohmann::json& results) {
      baudRate = session.BaudRate();
      results["port"] = session.Port();
      results["baudRate"] = baudRate;
      if (FirmwareIncomplete(session)) results["advice"] = kIncompleteFirmwareAdvice;
      return true;
    };
    const auto print = [&session, &baudRate] {
      std::printf("Port:              %s at %u baud\n", session.Port().c_str(),
                  static_cast<unsigned>(baudRate));
      PrintIdentity(session);
      if (FirmwareIncomplete(session))
        std::printf("Note:              %s\n", kIncompleteFirmwareAdvice);
    };
    exitStatus = RunProbeAction(session, options->json, addLink, print);
  });
}

}  // namespace kvx::cli
