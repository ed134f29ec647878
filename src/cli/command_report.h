#pragma once

#include <nlohmann/json.hpp>
#include <string>
#include <vector>

#include "cli/command_io.h"
#include "cli/probe_outcome.h"

namespace kvx::cli {

// `value` as one line of JSON. Texts from the probe or a file are whatever bytes they were;
// invalid UTF-8 is replaced rather than breaking the output.
std::string JsonText(const nlohmann::json& value);
// Writes JsonText(value) as one line on `out`.
void PrintJson(std::FILE* out, const nlohmann::json& value);

// The probe's record: its identity, versions before and after, result, the dialog's texts,
// the transfer and whatever the command found or did.
nlohmann::json RecordJson(const ProbeOutcome& outcome);

// The three version texts, serial number and MAC, a line each.
void PrintIdentity(std::FILE* out, const ProbeOutcome& outcome);
// A MAC address text to show: as it is when it is one (twelve hex digits), else marked invalid
// and escaped, since it is made of what the probe reported.
std::string ShownMacAddress(const std::string& text);
// The versions as one line's part: "firmware 1.05, logic 1.05", with the loader version and
// the MAC address before and after them for `whole`.
std::string VersionsSummary(const ProbeOutcome& outcome, bool whole);
// The five network texts, a line each under the labels every command shows them with.
void PrintNetworkTexts(std::FILE* out, const NetworkSetupTexts& texts);
// The network setup a probe holds, as above, "not set" for an erased block, and a
// warning when the block's MAC address is not the probe's own.
void PrintNetworkSetup(std::FILE* out, const StoredNetworkSetup& stored,
                       const std::string& serialNumber);
// One line a file: "Firmware file:     PATH (1.05, 2345 bytes, SHA-256 ...)".
void PrintFileProofs(std::FILE* out, const std::vector<FileProof>& files);

// The five network texts under the document's names.
nlohmann::json NetworkTextsJson(const NetworkSetupTexts& texts);

// A command refused before it reached the probe: "kvxctl COMMAND: reason" on io.err and,
// with `json`, the object {"passed": false, "reason": ...} on io.out, so a script reading the
// object learns why too. Returns `exitStatus`.
int ReportRefusal(const CommandIo& io, const std::string& command, bool json, int exitStatus,
                  const std::string& reason);

}  // namespace kvx::cli
