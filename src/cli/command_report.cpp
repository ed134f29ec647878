#include "cli/command_report.h"

#include <cstdio>

#include "app/probe_changes_text.h"
#include "cli/update_preview.h"
#include "loader/version_text.h"
#include "setup/read_setup_block.h"
#include "setup/setup_block.h"
#include "ui/messages.h"

namespace kvx::cli {

namespace {

constexpr char kNotSet[] = "not set";

nlohmann::json VersionsJson(const VersionTexts& versions) {
  return {{"firmwareVersion", versions.firmware}, {"logicVersion", versions.logic}};
}

const char* ResultText(const ProbeOutcome& outcome) {
  if (outcome.interrupted) return "interrupted";
  return outcome.passed ? "passed" : "failed";
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

nlohmann::json FilesJson(const std::vector<FileProof>& files) {
  nlohmann::json json = nlohmann::json::array();
  for (const FileProof& file : files) {
    json.push_back({{"part", file.part},
                    {"path", file.path.string()},
                    {"version", FormatVersion(file.version)},
                    {"size", file.size},
                    {"sha256", file.sha256},
                    {"done", file.done}});
  }
  return json;
}

// What the command itself found or did, under its own keys.
void AddFindings(const ProbeOutcome& outcome, nlohmann::json& record) {
  if (outcome.firmwareIncomplete) record["advice"] = kIncompleteFirmwareAdvice;
  if (outcome.networkSetup)
    record["networkSetup"] = NetworkSetupJson(*outcome.networkSetup, outcome.serialNumber);
  if (outcome.networkWritten) record["settings"] = NetworkTextsJson(*outcome.networkWritten);
  if (outcome.preview) record["dryRun"] = PreviewJson(*outcome.preview, outcome.baudRate);
  if (!outcome.files.empty()) record["files"] = FilesJson(outcome.files);
  if (outcome.imageMarker) record["imageMarker"] = MarkerStateName(*outcome.imageMarker);
  if (outcome.alreadyUpToDate) record["note"] = kAlreadyUpToDate;
}

}  // namespace

std::string JsonText(const nlohmann::json& value) {
  return value.dump(-1, ' ', false, nlohmann::json::error_handler_t::replace);
}

void PrintJson(std::FILE* out, const nlohmann::json& value) {
  std::fprintf(out, "%s\n", JsonText(value).c_str());
}

nlohmann::json RecordJson(const ProbeOutcome& outcome) {
  nlohmann::json record = {
      {"port", outcome.port},
      {"host", outcome.host},
      {"user", outcome.user},
      {"loaderVersion", outcome.loaderVersion},
      {"loaderVersionWord", outcome.loaderVersionWord},
      {"serialNumber", outcome.serialNumber},
      {"macAddress", outcome.macAddress},
      {"passed", outcome.passed},
      {"result", ResultText(outcome)},
      {"status", outcome.status},
      {"messages", outcome.messages},
      {"seconds", outcome.seconds},
  };
  record.update(VersionsJson(outcome.after));
  if (outcome.connected) {
    record["baudRate"] = outcome.baudRate;
    record["before"] = VersionsJson(outcome.before);
    record["after"] = VersionsJson(outcome.after);
    record["bytesExchanged"] = outcome.bytesExchanged;
    record["bytesPerSecond"] = outcome.bytesPerSecond;
  }
  if (!outcome.passed) record["reason"] = outcome.reason;
  AddFindings(outcome, record);
  return record;
}

std::string ShownMacAddress(const std::string& text) {
  return IsMacAddressText(text) ? text : "invalid: " + ShownText(text);
}

void PrintIdentity(std::FILE* out, const ProbeOutcome& outcome) {
  std::fprintf(out, "Loader version:    %s\n", outcome.loaderVersion.c_str());
  std::fprintf(out, "Firmware version:  %s\n", outcome.after.firmware.c_str());
  std::fprintf(out, "Logic version:     %s\n", outcome.after.logic.c_str());
  std::fprintf(out, "Serial number:     %s\n", EscapedText(outcome.serialNumber).c_str());
  std::fprintf(out, "MAC address:       %s\n", ShownMacAddress(outcome.macAddress).c_str());
}

std::string VersionsSummary(const ProbeOutcome& outcome, bool whole) {
  const std::string versions =
      "firmware " + outcome.after.firmware + ", logic " + outcome.after.logic;
  if (!whole) return versions;
  return "loader " + outcome.loaderVersion + ", " + versions + ", MAC " +
         ShownMacAddress(outcome.macAddress);
}

// The texts come from the flash, a document or a table, so each is shown escaped.
void PrintNetworkTexts(std::FILE* out, const NetworkSetupTexts& texts) {
  std::fprintf(out, "Probe IP address:  %s\n", EscapedText(texts.probeIpAddress).c_str());
  std::fprintf(out, "Subnet mask:       %s\n", EscapedText(texts.subnetMask).c_str());
  std::fprintf(out, "Default gateway:   %s\n", EscapedText(texts.defaultGateway).c_str());
  std::fprintf(out, "Config host IP:    %s\n", EscapedText(texts.hostIpAddress).c_str());
  std::fprintf(out, "Config file name:  %s\n", EscapedText(texts.configFileName).c_str());
}

void PrintNetworkSetup(std::FILE* out, const StoredNetworkSetup& stored,
                       const std::string& serialNumber) {
  const NetworkSetupTexts notSet{kNotSet, kNotSet, kNotSet, kNotSet, kNotSet};
  PrintNetworkTexts(out, stored.texts ? *stored.texts : notSet);
  if (const std::string warning = MacAddressWarning(stored, serialNumber); !warning.empty())
    std::fprintf(out, "Warning:           %s\n", warning.c_str());
}

void PrintFileProofs(std::FILE* out, const std::vector<FileProof>& files) {
  for (const FileProof& file : files) {
    const std::string label =
        (file.part == "firmware" ? "Firmware" : "Logic") + std::string(" file:");
    std::fprintf(out, "%-19s%s (%s, %llu bytes, SHA-256 %s)%s\n", label.c_str(),
                 file.path.string().c_str(), FormatVersion(file.version).c_str(),
                 static_cast<unsigned long long>(file.size), file.sha256.c_str(),
                 file.done ? "" : ", not finished");
  }
}

nlohmann::json NetworkTextsJson(const NetworkSetupTexts& texts) {
  return {{"probeIpAddress", texts.probeIpAddress},
          {"subnetMask", texts.subnetMask},
          {"defaultGateway", texts.defaultGateway},
          {"hostIpAddress", texts.hostIpAddress},
          {"configFileName", texts.configFileName}};
}

int ReportRefusal(const CommandIo& io, const std::string& command, bool json, int exitStatus,
                  const std::string& reason) {
  std::fprintf(io.err, "kvxctl %s: %s\n", command.c_str(), reason.c_str());
  if (json) PrintJson(io.out, {{"passed", false}, {"reason", reason}});
  return exitStatus;
}

}  // namespace kvx::cli
