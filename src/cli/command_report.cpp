#include "cli/command_report.h"

#include <cstdio>

#include "loader/version_text.h"

namespace kvx::cli {

namespace {

// The versions the probe holds as far as the run knows: read at Connect, or written since.
// Unlike the dialog, which shows "unknown" for both after any failed update, a part the run
// never touched keeps the version it was read with.
std::string FirmwareVersionText(const ProbeSession& session) {
  return FormatVersion(session.Actions().Changes().firmwareVersion);
}

std::string LogicVersionText(const ProbeSession& session) {
  return FormatVersion(session.Actions().Changes().logicVersion);
}

}  // namespace

std::string JsonText(const nlohmann::json& value) {
  return value.dump(-1, ' ', false, nlohmann::json::error_handler_t::replace);
}

void PrintJson(const nlohmann::json& value) {
  std::printf("%s\n", JsonText(value).c_str());
}

nlohmann::json VersionsJson(const ProbeSession& session) {
  return {{"firmwareVersion", FirmwareVersionText(session)},
          {"logicVersion", LogicVersionText(session)}};
}

nlohmann::json IdentityJson(const ProbeSession& session) {
  const CliControls& controls = session.Controls();
  const ProbeIdentity& id = session.Actions().Identity();
  nlohmann::json identity = {
      {"loaderVersion", controls.VersionText(VersionLabel::kLoader)},
      {"loaderVersionWord", id.loaderVersion},
      {"serialNumber", id.serialNumber},
      {"macAddress", id.macAddressText},
  };
  identity.update(VersionsJson(session));
  return identity;
}

void PrintIdentity(const ProbeSession& session) {
  const CliControls& controls = session.Controls();
  const ProbeIdentity& id = session.Actions().Identity();
  std::printf("Loader version:    %s\n", controls.VersionText(VersionLabel::kLoader).c_str());
  std::printf("Firmware version:  %s\n", FirmwareVersionText(session).c_str());
  std::printf("Logic version:     %s\n", LogicVersionText(session).c_str());
  std::printf("Serial number:     %s\n", id.serialNumber.c_str());
  std::printf("MAC address:       %s\n", id.macAddressText.c_str());
}

std::string VersionsSummary(const ProbeSession& session, bool whole) {
  const std::string versions =
      "firmware " + FirmwareVersionText(session) + ", logic " + LogicVersionText(session);
  if (!whole) return versions;
  return "loader " + session.Controls().VersionText(VersionLabel::kLoader) + ", " + versions +
         ", MAC " + session.Actions().Identity().macAddressText;
}

nlohmann::json NetworkTextsJson(const NetworkSetupTexts& texts) {
  return {{"probeIpAddress", texts.probeIpAddress},
          {"subnetMask", texts.subnetMask},
          {"defaultGateway", texts.defaultGateway},
          {"hostIpAddress", texts.hostIpAddress},
          {"configFileName", texts.configFileName}};
}

nlohmann::json ProbeOutcomeJson(const ProbeOutcome& outcome) {
  nlohmann::json json = nlohmann::json::object();
  if (!outcome.files.empty()) {
    json["files"] = nlohmann::json::array();
    for (const FileProof& file : outcome.files) {
      json["files"].push_back({{"part", file.part},
                               {"path", file.path.string()},
                               {"version", FormatVersion(file.version)},
                               {"size", file.size},
                               {"sha256", file.sha256},
                               {"done", file.done}});
    }
  }
  if (outcome.imageMarker) json["imageMarker"] = MarkerStateName(*outcome.imageMarker);
  if (outcome.alreadyUpToDate) json["note"] = kAlreadyUpToDate;
  return json;
}

void PrintFileProofs(const std::vector<FileProof>& files) {
  for (const FileProof& file : files) {
    const std::string label =
        (file.part == "firmware" ? "Firmware" : "Logic") + std::string(" file:");
    std::printf("%-19s%s (%s, %ju bytes, SHA-256 %s)%s\n", label.c_str(),
                file.path.string().c_str(), FormatVersion(file.version).c_str(), file.size,
                file.sha256.c_str(), file.done ? "" : ", not finished");
  }
}

nlohmann::json OutcomeJson(const ProbeSession& session, bool passed) {
  nlohmann::json outcome = IdentityJson(session);
  outcome["passed"] = passed;
  outcome["status"] = session.Services().LastStatus();
  outcome["messages"] = session.Services().Messages();
  if (!passed) outcome["reason"] = session.Services().Reason();
  return outcome;
}

int ReportRefusal(const std::string& command, bool json, int exitStatus,
                  const std::string& reason) {
  std::fprintf(stderr, "kvxctl %s: %s\n", command.c_str(), reason.c_str());
  if (json) PrintJson({{"passed", false}, {"reason", reason}});
  return exitStatus;
}

}  // namespace kvx::cli
