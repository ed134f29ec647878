#include <cstdio>
#include <memory>
#include <optional>

#include "cli/command_report.h"
#include "cli/commands.h"
#include "cli/probe_action.h"
#include "cli/probe_changes_text.h"
#include "loader/command_exchange.h"
#include "loader/flash_commands.h"
#include "setup/setup_block.h"

namespace kvx::cli {

namespace {

constexpr char kNotSet[] = "not set";

// An interrupted update or an erase leaves a firmware the loader does not take for one.
bool FirmwareIncomplete(const ProbeSession& session) {
  return session.Actions().Identity().firmwareVersion == 0;
}

// Why the block's MAC address is not the probe's own, or empty when it is. A block copied
// from another probe gives this one the other's address on the network.
std::string MacAddressWarning(const StoredNetworkSetup& stored, const std::string& serialNumber) {
  if (!stored.texts) return "";
  const std::optional<MacAddress> own = MacAddressFor(serialNumber);
  if (own && *own == stored.macAddress) return "";
  return "the network setup holds the MAC address " + MacAddressText(stored.macAddress) +
         (own ? ", not " + MacAddressText(*own) + ", the one the serial number gives" : "");
}

// The five texts under the document's names; null for each when the block is erased.
nlohmann::json NetworkSetupJson(const StoredNetworkSetup& stored, const std::string& serial) {
  nlohmann::json setup = {{"probeIpAddress", nullptr}, {"subnetMask", nullptr},
                          {"defaultGateway", nullptr}, {"hostIpAddress", nullptr},
                          {"configFileName", nullptr}, {"macAddress", nullptr}};
  if (stored.texts) {
    setup = NetworkTextsJson(*stored.texts);
    setup["macAddress"] = MacAddressText(stored.macAddress);
  }
  if (const std::string warning = MacAddressWarning(stored, serial); !warning.empty())
    setup["warning"] = warning;
  return setup;
}

void PrintNetworkSetup(const StoredNetworkSetup& stored, const std::string& serialNumber) {
  const auto shown = [&stored](const std::string NetworkSetupTexts::*text) {
    return stored.texts ? (*stored.texts).*text : std::string(kNotSet);
  };
  std::printf("Probe IP address:  %s\n", shown(&NetworkSetupTexts::probeIpAddress).c_str());
  std::printf("Subnet mask:       %s\n", shown(&NetworkSetupTexts::subnetMask).c_str());
  std::printf("Default gateway:   %s\n", shown(&NetworkSetupTexts::defaultGateway).c_str());
  std::printf("Config host:       %s\n", shown(&NetworkSetupTexts::hostIpAddress).c_str());
  // A name is whatever bytes the flash holds; control characters stay off the terminal.
  const std::string name = shown(&NetworkSetupTexts::configFileName);
  std::printf("Config file name:  %s\n", stored.texts ? ShownText(name).c_str() : name.c_str());
  if (const std::string warning = MacAddressWarning(stored, serialNumber); !warning.empty())
    std::printf("Warning:           %s\n", warning.c_str());
}

// The setup block as the probe holds it, in one request; nothing after the reason was given.
std::optional<StoredNetworkSetup> ReadNetworkSetup(ProbeSession& session) {
  SetupBlock block;
  if (ReadMemory(session.Link(), kSetupBlockAddress, static_cast<std::uint16_t>(block.size()),
                 block.data()) != kOk) {
    session.Services().Explain("reading the network setup: " +
                               DescribeExchangeFailure(session.Link()));
    return std::nullopt;
  }
  return ReadSetupBlock(block);
}

}  // namespace

void AddInfoCommand(CLI::App& app, int& exitStatus) {
  auto options = std::make_shared<ProbeOptions>();
  CLI::App* command = app.add_subcommand(
      "info", "Connect to the probe and show its versions, addresses and network setup");
  AddProbeOptions(*command, *options);
  command->callback([options, &exitStatus] {
    ProbeJob job;
    job.command = "info";
    job.settings.updateDirectory = DefaultUpdateDirectory();
    job.action = [](ProbeSession& session, nlohmann::json& results) {
      if (FirmwareIncomplete(session)) results["advice"] = kIncompleteFirmwareAdvice;
      session.Outcome().networkSetup = ReadNetworkSetup(session);
      const std::optional<StoredNetworkSetup>& stored = session.Outcome().networkSetup;
      if (!stored) return false;
      results["networkSetup"] =
          NetworkSetupJson(*stored, session.Actions().Identity().serialNumber);
      return true;
    };
    job.summarise = [](const ProbeSession& session) { return VersionsSummary(session, true); };
    job.printText = [](const ProbeSession& session, const nlohmann::json& record) {
      std::printf("Port:              %s at %u baud\n", session.Port().c_str(),
                  record["baudRate"].get<unsigned>());
      PrintIdentity(session);
      if (FirmwareIncomplete(session))
        std::printf("Note:              %s\n", kIncompleteFirmwareAdvice);
      if (const auto& stored = session.Outcome().networkSetup)
        PrintNetworkSetup(*stored, session.Actions().Identity().serialNumber);
    };
    exitStatus = RunProbeJob(*options, job);
  });
}

}  // namespace kvx::cli
