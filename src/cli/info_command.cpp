#include "cli/commands.h"

#include <cstdio>
#include <memory>

#include "cli/command_report.h"
#include "cli/probe_session.h"

namespace kvx::cli {

void AddInfoCommand(CLI::App& app, int& exitStatus) {
  auto options = std::make_shared<ProbeOptions>();
  CLI::App* command =
      app.add_subcommand("info", "Connect to the probe and show its versions and addresses");
  AddProbeOptions(*command, *options);
  command->callback([options, &exitStatus] {
    ProbeSession session(*options, SessionSettings{{}, DefaultUpdateDirectory()});
    if (!session.Connect()) {
      exitStatus = kExitFailure;
      return;
    }
    const std::string port = session.Port();
    const std::uint32_t baudRate = session.BaudRate();
    session.Finish();
    if (options->json) {
      nlohmann::json info = IdentityJson(session);
      info["port"] = port;
      info["baudRate"] = baudRate;
      PrintJson(info);
    } else {
      std::printf("Port:              %s at %u baud\n", port.c_str(),
                  static_cast<unsigned>(baudRate));
      PrintIdentity(session);
    }
    exitStatus = kExitOk;
  });
}

}  // namespace kvx::cli
