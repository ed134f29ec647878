#include "cli/commands.h"

#include <cstdio>
#include <memory>
#include <optional>
#include <string>

#include "app/settings_table.h"
#include "cli/command_report.h"
#include "cli/probe_action.h"
#include "setup/setup_block.h"

namespace kvx::cli {

namespace {

struct TransmitOptions {
  ProbeOptions probe;
  std::string documentPath;
  std::string settingsPath;
  SetupDocument given;  // the texts as the options set them; only those given count
};

// The network texts an option sets, in the order the dialog lists them.
struct TextOption {
  const char* name;
  const char* label;
  std::string NetworkSetupTexts::*member;
  TextCheck check;
  const char* help;
};

// clang-format off
const TextOption kTextOptions[] = {
    {"--ip", "probe IP address", &NetworkSetupTexts::probeIpAddress, AddressTextProblem, "The probe's IP address, a dotted quad (required without --document)"},
    {"--mask", "subnet mask", &NetworkSetupTexts::subnetMask, AddressTextProblem, "Subnet mask (default 255.255.255.255)"},
    {"--gateway", "default gateway", &NetworkSetupTexts::defaultGateway, AddressTextProblem, "Default gateway (default 255.255.255.255)"},
    {"--host", "configuration host IP address", &NetworkSetupTexts::hostIpAddress, AddressTextProblem, "IP address of the host serving the configuration file (default 255.255.255.255)"},
    {"--config-file", "configuration file name", &NetworkSetupTexts::configFileName, ConfigFileNameProblem, "Name of the configuration file on that host (at most 79 characters, default empty)"},
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
    const std::string& text = document.network.*option.member;
    const std::optional<std::string> problem = option.check(text);
    if (!problem) continue;
    if (command.count(option.name) > 0) {
      return Problem{kExitUsage, std::string(option.name) + " " + ShownText(text) + " " + *problem};
    }
    return Problem{kExitUsage, "the " + std::string(option.label) + " " + ShownText(text) + " in " +
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
    // The window opens an empty file as a new document; sent to a probe, its defaults would
    // replace the probe's network setup with addresses nobody chose.
    if (!document.fileVersion) {
      return Problem{kExitUsage, options.documentPath +
                                     " is empty: it holds no settings of its own to send; save "
                                     "the document from the window, or give --ip and the other "
                                     "texts instead"};
    }
  } else if (command.count("--ip") == 0) {
    return Problem{kExitUsage, "--ip is required without --document"};
  }
  for (const TextOption& option : kTextOptions) {
    if (command.count(option.name) > 0)
      document.network.*option.member = options.given.network.*option.member;
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

// The texts may come from a document or a table, so they are shown escaped.
void PrintSettings(const NetworkSetupTexts& texts) {
  std::printf("Probe IP address:  %s\n", EscapedText(texts.probeIpAddress).c_str());
  std::printf("Subnet mask:       %s\n", EscapedText(texts.subnetMask).c_str());
  std::printf("Default gateway:   %s\n", EscapedText(texts.defaultGateway).c_str());
  std::printf("Config host IP:    %s\n", EscapedText(texts.hostIpAddress).c_str());
  std::printf("Config file:       %s\n", EscapedText(texts.configFileName).c_str());
}

// Gives the probe its row of the table; a probe the table does not list is left unwritten
// rather than given another's address.
bool TakeRowOf(ProbeSession& session, const SettingsTable& table, const std::string& path) {
  const std::string& serialNumber = session.Actions().Identity().serialNumber;
  const ProbeSettings* row = table.Find(serialNumber);
  if (row == nullptr) {
    session.Services().Explain("left unwritten: serial number " + EscapedText(serialNumber) +
                               " is not in " + path);
    return false;
  }
  session.UseNetworkTexts(row->texts);
  return true;
}

ProbeJob TransmitJob(const TransmitOptions& options, const SetupDocument& document,
                     std::shared_ptr<const SettingsTable> table) {
  const std::string settingsPath = options.settingsPath;
  ProbeJob job;
  job.command = "transmit";
  job.files = {{"--document", options.documentPath}, {"--settings", settingsPath}};
  job.settings = SessionSettings{document, DefaultUpdateDirectory()};
  if (!table) {
    job.whyOnePort =
        "several probes would all get the same address; give --settings FILE.csv "
        "with a row for each";
  }
  job.action = [table, settingsPath](ProbeSession& session) {
    if (table && !TakeRowOf(session, *table, settingsPath)) return false;
    const bool passed = session.Actions().OnTransmit();
    session.Outcome().networkWritten = session.Actions().Fields().network;
    return passed;
  };
  job.printText = [](const ProbeOutcome& outcome) {
    if (outcome.networkWritten) PrintSettings(*outcome.networkWritten);
  };
  return job;
}

}  // namespace

void AddTransmitCommand(CLI::App& app, int& exitStatus) {
  auto options = std::make_shared<TransmitOptions>();
  CLI::App* command =
      app.add_subcommand("transmit", "Write the network setup into the probe and verify it");
  AddProbeOptions(*command, options->probe, PortRule::kMayComeFromDocument);
  for (const TextOption& option : kTextOptions) {
    command->add_option(option.name, options->given.network.*option.member, option.help);
  }
  command
      ->add_option("--document", options->documentPath,
                   "A .gdb document giving port, speed and the five texts; options given "
                   "beside it win")
      ->check(NamesA("file"));
  CLI::Option* settings = command->add_option(
      "--settings", options->settingsPath,
      "A table (CSV) with the columns serial,ip,mask,gateway,host,config: each probe gets the "
      "row of the serial number it reports");
  settings->check(NamesA("file"));
  for (const TextOption& option : kTextOptions) settings->excludes(option.name);
  settings->excludes("--document");
  command->callback([options, command, &exitStatus] {
    ProbeOptions probe = options->probe;
    if (!options->settingsPath.empty()) {
      const SettingsTableRead read = ReadSettingsTable(options->settingsPath);
      // A table that cannot be used is bad input to the command, as its texts given as
      // options would be.
      if (!read.ok() || probe.ports.empty()) {
        exitStatus = ReportRefusal("transmit", probe.json, kExitUsage,
                                   read.ok() ? "--port is required with --settings" : read.error);
        return;
      }
      const auto table = std::make_shared<const SettingsTable>(read.table);
      exitStatus = RunProbeJob(probe, TransmitJob(*options, {}, table));
      return;
    }
    SetupDocument document;
    if (const std::optional<Problem> problem = Settle(*command, *options, probe, document)) {
      exitStatus = ReportRefusal("transmit", probe.json, problem->exitStatus, problem->message);
      return;
    }
    exitStatus = RunProbeJob(probe, TransmitJob(*options, document, nullptr));
  });
}

}  // namespace kvx::cli
