#include "cli/info_command.h"

#include <cstdio>
#include <memory>
#include <nlohmann/json.hpp>

#include "cli/exit_status.h"
#include "cli/probe_session.h"
#include "loader/version_text.h"

namespace kvx::cli {

namespace {

void PrintText(const ProbeSession& session) {
  const ProbeIdentity& id = session.Identity();
  std::printf("Port:              %s at %u baud\n", session.Port().c_str(),
              static_cast<unsigned>(session.BaudRate()));
  std::printf("Loader version:    %s\n", FormatVersion(id.loaderVersion).c_str());
  std::printf("Firmware version:  %s\n", FormatVersion(id.firmwareVersion).c_str());
  std::printf("Logic version:     %s\n", FormatVersion(id.logicVersion).c_str());
  std::printf("Serial number:     %s\n", id.serialNumber.c_str());
  std::printf("MAC address:       %s\n", id.macAddressText.c_str());
}

void PrintJson(const ProbeSession& session) {
  const ProbeIdentity& id = session.Identity();
  const nlohmann::json info = {
      {"port", session.Port()},
      {"baudRate", session.BaudRate()},
      {"loaderVersion", FormatVersion(id.loaderVersion)},
      {"loaderVersionWord", id.loaderVersion},
      {"firmwareVersion", FormatVersion(id.firmwareVersion)},
      {"logicVersion", FormatVersion(id.logicVersion)},
      {"serialNumber", id.serialNumber},
      {"macAddress", id.macAddressText},
  };
  // The serial number is whatever bytes the probe sent; never let them break the output.
  const std::string text = info.dump(-1, ' ', false, nlohmann::json::error_handler_t::replace);
  std::printf("%s\n", text.c_str());
}

}  // namespace

void AddInfoCommand(CLI::App& app, int& exitStatus) {
  auto options = std::make_shared<ProbeOptions>();
  CLI::App* command =
      app.add_subcommand("info", "Connect to the probe and show its versions and addresses");
  AddProbeOptions(*command, *options);
  command->callback([options, &exitStatus] {
    ProbeSession session(*options);
    if (!session.Connect()) {
      exitStatus = kExitFailure;
      return;
    }
    if (options->json) {
      PrintJson(session);
    } else {
      PrintText(session);
    }
    session.Finish();
    exitStatus = kExitOk;
  });
}

}  // namespace kvx::cli
