#include "cli/commands.h"

#include <cstdio>
#include <memory>
#include <optional>
#include <string>

#include "cli/command_report.h"
#include "cli/probe_action.h"
#include "setup/dotted_quad.h"
#include "setup/setup_block.h"

namespace kvx::cli {

namespace {

struct TransmitOptions {
  ProbeOptions probe;
  std::string documentPath;
  SetupDocument given;  // the texts as the options set them; only those given count
};

// Why a text cannot go into the setup block, or nothing when it can. The probe stores what
// it is sent, so a mistyped address would silently become FF FF FF FF in its flash.
using TextCheck = std::optional<std::string> (*)(const std::string& text);

std::optional<std::string> AddressProblem(const std::string& text) {
  if (IsDottedQuad(text)) return std::nullopt;
  return std::string("is not a dotted quad such as 10.0.0.1");
}

std::optional<std::string> FileNameProblem(const std::string& text) {
  if (text.size() <= kMaxConfigFileNameLength) return std::nullopt;
  return "is longer than " + std::to_string(kMaxConfigFileNameLength) + " characters";
}

// The network texts an option sets, in the order the dialog lists them.
struct TextOption {
  const char* name;
  const char* label;
  std::string SetupDocument::*member;
  TextCheck check;
  const char* help;
};

// clang-format off
const TextOption kTextOptions[] = {
    {"--ip", "probe IP address", &SetupDocument::probeIpAddress, AddressProblem, "The probe's IP address, a dotted quad (required without --document)"},
    {"--mask", "subnet mask", &SetupDocument::subnetMask, AddressProblem, "Subnet mask (default 255.255.255.255)"},
    {"--gateway", "default gateway", &SetupDocument::defaultGateway, AddressProblem, "Default gateway (default 255.255.255.255)"},
    {"--host", "configuration host IP address", &SetupDocument::hostIpAddress, AddressProblem, "IP address of the host serving the configuration file (default 255.255.255.255)"},
    {"--config-file", "configuration file name", &SetupDocument::configFileName, FileNameProblem, "Name of the configuration file on that host (at most 79 characters, default empty)"},
};
// clang-format on

struct Problem {
  int exitStatus;
  std::string message;
};

// Refuses a text the probe would store wrongly, before the port is opened. A text from the
// document reaches the probe just like one given as an option, so it is held to the same rule.
std::optional<Problem> CheckTexts(const CLI::App& command, const TransmitOptions& options,
                                  const SetupDocument& document) {
  for (const TextOption& option : kTextOptions) {
    const std::string& text = document.*option.member;
    const std::optional<std::string> problem = option.check(text);
    if (!problem) continue;
    if (command.count(option.name) > 0) {
      return Problem{kExitUsage, std::string(option.name) + " '" + text + "' " + *problem};
    }
    return Problem{kExitUsage, "the " + std::string(option.label) + " '" + text + "' in " +
                                   options.documentPath + " " + *problem + "; give " + option.name +
                                   " to override it"};
  }
  return std::nullopt;
}

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
  if (std::optional<Problem> problem = CheckTexts(command, options, document)) return problem;
  if (probe.ports.empty()) {
    if (!fromDocument || document.portIndex < 0 || document.portIndex >= kPortListEntries) {
      return Problem{kExitUsage,
                     "--port is required unless the document names a port from COM1 to COM19"};
    }
    probe.ports.push_back("COM" + std::to_string(document.portIndex + 1));
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
      exitStatus = ReportRefusal("transmit", probe.json, problem->exitStatus, problem->message);
      return;
    }
    ProbeJob job;
    job.command = "transmit";
    job.settings = SessionSettings{document, DefaultUpdateDirectory()};
    job.action = [](ProbeSession& session, nlohmann::json&) {
      return session.Actions().OnTransmit();
    };
    job.printText = [document](const ProbeSession&, const nlohmann::json&) {
      PrintSettings(document);
    };
    exitStatus = RunProbeJob(probe, job);
  });
}

}  // namespace kvx::cli
