#pragma once

#include <nlohmann/json.hpp>

#include "cli/probe_outcome.h"
#include "cli/probe_session.h"

namespace kvx::cli {

// `value` as one line of JSON. Texts from the probe or a file are whatever bytes they were;
// invalid UTF-8 is replaced rather than breaking the output.
std::string JsonText(const nlohmann::json& value);
// Writes JsonText(value) as one line on standard output.
void PrintJson(const nlohmann::json& value);

// The versions the probe holds as far as the run knows: {"firmwareVersion", "logicVersion"}.
nlohmann::json VersionsJson(const ProbeSession& session);

// The probe as the dialog last showed it: the three version texts, serial number and MAC.
nlohmann::json IdentityJson(const ProbeSession& session);
void PrintIdentity(const ProbeSession& session);
// The versions as one line's part: "firmware 1.05, logic 1.05", with the loader version and
// the MAC address before and after them for `whole`.
std::string VersionsSummary(const ProbeSession& session, bool whole);

// The five network texts under the document's names.
nlohmann::json NetworkTextsJson(const NetworkSetupTexts& texts);

// The outcome's files and notes, as they go into the probe's record.
nlohmann::json ProbeOutcomeJson(const ProbeOutcome& outcome);
// One line a file: "Firmware file:     PATH (1.05, 2345 bytes, SHA-256 ...)".
void PrintFileProofs(const std::vector<FileProof>& files);

// A probe action's result: whether it passed, the status text it ended with and every
// message box it showed, beside the identity. Taken before Finish(), whose status text
// would otherwise replace the action's.
nlohmann::json OutcomeJson(const ProbeSession& session, bool passed);

// A command refused before it reached the probe: "kvxctl COMMAND: reason" on standard error
// and, with `json`, the object {"passed": false, "reason": ...} on standard output, so a
// script reading the object learns why too. Returns `exitStatus`.
int ReportRefusal(const std::string& command, bool json, int exitStatus, const std::string& reason);

}  // namespace kvx::cli
