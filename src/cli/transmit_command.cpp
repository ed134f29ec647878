#include "cli/transmit_command.h"

#include <cstdio>
#include <memory>
#include <optional>
#include <string>

#include "cli/exit_status.h"
#include "cli/probe_action.h"
#include "link/link_startup.h"

namespace kvx::cli {

namespace {

struct TransmitOptions {
  ProbeOptions probe;
  std::string documentPath;
  SetupDocument given;  // the texts as the options set them; only those given count
};

// The network texts an option sets, in the order the dialog lists them.
struct TextOption {
  const char* name;
  std::string SetupDocument::*member;
  const char* help;
};

// clang-format off
const TextOption kTextOptions[] = {
    {"--ip", &SetupDocument::probeIpAddress, "The probe's IP address, a dotted quad (required without --document)"},
    {"--mask", &SetupDocument::subnetMask, "Subnet mask (default 255.255.255.255)"},
    {"--gateway", &SetupDocument::defaultGateway, "Default gateway (default 255.255.255.255)"},
    {"--host", &SetupDocument::hostIpAddress, "IP address of the host serving the configuration file (default 255.255.255.255)"},
    {"--config-file", &SetupDocument::configFileName, "Name of the configuration file on that host (default empty)"},
};
// clang-format on

struct Problem {
  int exitStatus;
  std::string message;
};

// Fills `document` and the port and speed of `probe` from the document file, then from the
// options given beside it. Says why when the command cannot be carried out.
std::optional<Problem> Settle(const CLI::App& command, const TransmitOptions& options,
                              ProbeOptions& probe, SetupDocument& document) {
  const bool fromDocument = !options.documentPath.empty();
  if (fromDocument) {
    const DocumentReadResult read = LoadSetupDocument(options.documentPath, document);
    if (!read.ok) return Problem{kExitFailure, read.message + " " + read.detail};
  } else if (command.count("--ip") == 0) {
    return Problem{kExitUsage, "--ip is required without --document"};
  }
  for (const TextOption& option : kTextOptions) {
    if (command.count(option.name) > 0) document.*option.member = options.given.*option.member;
  }
  if (probe.port.empty()) {
    if (!fromDocument || document.portIndex < 0 || document.portIndex >= kPortListEntries) {
      return Problem{kExitUsage,
                     "--port is required unless the document names a port from COM1 to COM19"};
    }
    probe.port = "COM" + std::to_string(document.portIndex + 1);
  }
  if (fromDocument && command.count("--speed") == 0) {
    probe.speed = SpeedIndexRate(document.speedIndex);
  }
  return std::nullopt;
}

void PrintSettings(const SetupDocument& document) {
  std::printf("Probe IP address:  %s\n", document.probeIpAddress.c_str());
  std::printf("Subnet mask:       %s\n", document.subnetMask.c_str());
  std::printf("Default gateway:   %s\n", document.defaultGateway.c_str());
  std::printf("Config host IP:    %s\n", document.hostIpAddress.c_str());
  std::printf("Config file:       %s\n", document.configFileName.c_str());
}

}  // namespace

void AddTransmitCommand(CLI::App& app, int& exitStatus) {
  auto options = std::make_shared<TransmitOptions>();
  CLI::App* command =
      app.add_subcommand("transmit", "Write the network setup into the probe and verify it");
  AddProbeOptions(*command, options->probe, PortRule::kMayComeFromDocument);
  for (const TextOption& option : kTextOptions) {
    command->add_option(option.name, options->given.*option.member, option.help);
  }
  command->add_option("--document", options->documentPath,
                      "A .gdb document giving port, speed and the five texts; options given "
                      "beside it win");
  command->callback([options, command, &exitStatus] {
    ProbeOptions probe = options->probe;
    SetupDocument document;
    if (const std::optional<Problem> problem = Settle(*command, *options, probe, document)) {
      std::fprintf(stderr, "kvxctl transmit: %s\n", problem->message.c_str());
      exitStatus = problem->exitStatus;
      return;
    }
    ProbeSession session(probe, SessionSettings{document, DefaultUpdateDirectory()});
    exitStatus = RunProbeAction(
        session, probe.json, [&](nlohmann::json&) { return session.Actions().OnTransmit(); },
        [&] { PrintSettings(document); });
  });
}

}  // namespace kvx::cli
