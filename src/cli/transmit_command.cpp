#include "cli/commands.h"

#include <algorithm>
#include <cstdio>
#include <memory>
#include <optional>
#include <string>
#include <vector>

#include "app/document_to_send.h"
#include "app/settings_table.h"
#include "cli/command_report.h"
#include "cli/probe_action.h"
#include "setup/setup_block.h"

namespace kvx::cli {

namespace {

// The network texts an option sets, in the order the dialog lists them.
struct TextOption {
  const char* name;
  const char* label;
  std::string NetworkSetupTexts::*member;
  const char* help;
};

// clang-format off
const TextOption kTextOptions[] = {
    {"--ip", "probe IP address", &NetworkSetupTexts::probeIpAddress, "The probe's IP address, a dotted quad (required without --document)"},
    {"--mask", "subnet mask", &NetworkSetupTexts::subnetMask, "Subnet mask (default 255.255.255.255)"},
    {"--gateway", "default gateway", &NetworkSetupTexts::defaultGateway, "Default gateway (default 255.255.255.255)"},
    {"--host", "configuration host IP address", &NetworkSetupTexts::hostIpAddress, "IP address of the host serving the configuration file (default 255.255.255.255)"},
    {"--config-file", "configuration file name", &NetworkSetupTexts::configFileName, "Name of the configuration file on that host (at most 79 characters, default empty)"},
};
// clang-format on

struct Problem {
  int exitStatus;
  std::string message;
};

const TextOption& OptionFor(std::string NetworkSetupTexts::*member) {
  for (const TextOption& option : kTextOptions) {
    if (option.member == member) return option;
  }
  return kTextOptions[0];
}

bool Given(const TransmitRequest& request, std::string NetworkSetupTexts::*member) {
  return std::any_of(request.given.begin(), request.given.end(),
                     [member](const GivenText& text) { return text.member == member; });
}

// Refuses a text the probe would store wrongly, before the port is opened.
std::optional<Problem> CheckTexts(const TransmitRequest& request, const SetupDocument& document) {
  const std::optional<TextProblem> problem = FirstTextProblem(document.network);
  if (!problem) return std::nullopt;
  const TextOption& option = OptionFor(problem->member);
  const std::string text = ShownText(document.network.*problem->member);
  if (Given(request, problem->member)) {
    return Problem{kExitUsage, std::string(option.name) + " " + text + " " + problem->problem};
  }
  return Problem{kExitUsage, "the " + std::string(option.label) + " " + text + " in " +
                                 request.documentPath + " " + problem->problem + "; give " +
                                 option.name + " to override it"};
}

// Fills `document` and the port and speed of `probe` from the document file, then from the
// options given beside it. Says why when the command cannot be carried out.
std::optional<Problem> Settle(const TransmitRequest& request, ProbeOptions& probe,
                              SetupDocument& document) {
  const bool fromDocument = !request.documentPath.empty();
  if (fromDocument) {
    const Result<DocumentToSend> read = ReadDocumentToSend(request.documentPath);
    if (!read) return Problem{kExitFailure, read.failure().text + " " + read.failure().detail};
    if (read->empty) {
      return Problem{kExitUsage, request.documentPath +
                                     " is empty: it holds no settings of its own to send; save "
                                     "the document from the window, or give --ip and the other "
                                     "texts instead"};
    }
    document = read->document;
  } else if (!Given(request, &NetworkSetupTexts::probeIpAddress)) {
    return Problem{kExitUsage, "--ip is required without --document"};
  }
  PutGivenTexts(request.given, document.network);
  if (std::optional<Problem> problem = CheckTexts(request, document)) return problem;
  if (probe.ports.empty()) {
    const std::optional<std::string> port = fromDocument ? DocumentPort(document) : std::nullopt;
    if (!port) {
      return Problem{kExitUsage,
                     "--port is required unless the document names a port from COM1 to COM19"};
    }
    probe.ports.push_back(*port);
  }
  if (fromDocument && !request.speedGiven) probe.speed = SpeedIndexRate(document.speedIndex);
  return std::nullopt;
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

ProbeJob TransmitJob(const TransmitRequest& request, const SetupDocument& document,
                     std::shared_ptr<const SettingsTable> table) {
  const std::string settingsPath = request.settingsPath;
  ProbeJob job;
  job.command = "transmit";
  job.files = {{"--document", request.documentPath}, {"--settings", settingsPath}};
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
  job.printText = [](const ProbeOutcome& outcome, std::FILE* out) {
    if (outcome.networkWritten) PrintNetworkTexts(out, *outcome.networkWritten);
  };
  return job;
}

}  // namespace

int RunTransmit(const TransmitRequest& request, const CommandIo& io) {
  ProbeOptions probe = request.probe;
  if (!request.settingsPath.empty()) {
    Result<SettingsTable> read = ReadSettingsTable(request.settingsPath);
    // A table that cannot be used is bad input to the command, as its texts given as options
    // would be.
    if (!read || probe.ports.empty()) {
      return ReportRefusal(io, "transmit", probe.json, kExitUsage,
                           read ? "--port is required with --settings" : read.failure().text);
    }
    const auto table = std::make_shared<const SettingsTable>(std::move(read).value());
    return RunProbeJob(probe, TransmitJob(request, {}, table), io);
  }
  SetupDocument document;
  if (const std::optional<Problem> problem = Settle(request, probe, document)) {
    return ReportRefusal(io, "transmit", probe.json, problem->exitStatus, problem->message);
  }
  return RunProbeJob(probe, TransmitJob(request, document, nullptr), io);
}

void AddTransmitCommand(CLI::App& app, const CommandIo& io, int& exitStatus) {
  auto request = std::make_shared<TransmitRequest>();
  auto texts = std::make_shared<NetworkSetupTexts>();
  CLI::App* command =
      app.add_subcommand("transmit", "Write the network setup into the probe and verify it");
  AddProbeOptions(*command, request->probe, PortRule::kMayComeFromDocument);
  for (const TextOption& option : kTextOptions) {
    command->add_option(option.name, (*texts).*option.member, option.help);
  }
  command
      ->add_option("--document", request->documentPath,
                   "A .gdb document giving port, speed and the five texts; options given "
                   "beside it win")
      ->check(NamesA("file"));
  CLI::Option* settings = command->add_option(
      "--settings", request->settingsPath,
      "A table (CSV) with the columns serial,ip,mask,gateway,host,config: each probe gets the "
      "row of the serial number it reports");
  settings->check(NamesA("file"));
  for (const TextOption& option : kTextOptions) settings->excludes(option.name);
  settings->excludes("--document");
  command->callback([request, texts, command, &io, &exitStatus] {
    request->speedGiven = command->count("--speed") > 0;
    for (const TextOption& option : kTextOptions) {
      if (command->count(option.name) > 0)
        request->given.push_back({option.member, (*texts).*option.member});
    }
    exitStatus = RunTransmit(*request, io);
  });
}

}  // namespace kvx::cli
