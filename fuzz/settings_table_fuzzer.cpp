// Feeds text to the settings table reader. The first byte picks whether the rest stands alone
// or follows a valid header row, so rows are reached as often as headers. Whatever the text,
// a refused table is empty and names a line; an accepted one holds only rows that pass every
// field rule, finds each by its serial number, and reads back the same when written out with
// every field quoted.
#include <algorithm>
#include <cstddef>
#include <cstdint>
#include <string>
#include <string_view>

#include "app/settings_table.h"
#include "app/update_setup_template.h"
#include "loader/probe_identity.h"
#include "setup/dotted_quad.h"

namespace {

constexpr std::string_view kHeader = "serial,ip,mask,gateway,host,config\n";

bool HasControlCharacter(const std::string& text) {
  return std::any_of(text.begin(), text.end(),
                     [](char c) { return static_cast<unsigned char>(c) < 0x20 || c == 0x7F; });
}

bool IsAddress(const std::string& text) {
  return kvx::IsDottedQuad(text) && text.size() <= kvx::kAddressTextLimit &&
         !HasControlCharacter(text);
}

bool PassesFieldRules(const kvx::ProbeSettings& row) {
  const kvx::NetworkSetupTexts& t = row.texts;
  return (row.serial.size() == kvx::kShortSerialNumberLength ||
          row.serial.size() == kvx::kLongSerialNumberLength) &&
         !HasControlCharacter(row.serial) && IsAddress(t.probeIpAddress) &&
         IsAddress(t.subnetMask) && IsAddress(t.defaultGateway) && IsAddress(t.hostIpAddress) &&
         t.configFileName.size() <= kvx::kMaxConfigFileNameLength &&
         !HasControlCharacter(t.configFileName);
}

std::string Quoted(const std::string& text) {
  std::string quoted = "\"";
  for (const char c : text) quoted += c == '"' ? "\"\"" : std::string(1, c);
  return quoted + "\"";
}

std::string WrittenOut(const kvx::SettingsTable& table) {
  std::string text(kHeader);
  for (const kvx::ProbeSettings& row : table.Rows()) {
    const kvx::NetworkSetupTexts& t = row.texts;
    text += Quoted(row.serial) + "," + Quoted(t.probeIpAddress) + "," + Quoted(t.subnetMask) + "," +
            Quoted(t.defaultGateway) + "," + Quoted(t.hostIpAddress) + "," +
            Quoted(t.configFileName) + "\r\n";
  }
  return text;
}

bool SameTexts(const kvx::ProbeSettings& a, const kvx::ProbeSettings& b) {
  return a.serial == b.serial && a.texts == b.texts;
}

void CheckAccepted(const kvx::SettingsTable& table) {
  int previousLine = 1;
  for (const kvx::ProbeSettings& row : table.Rows()) {
    if (!PassesFieldRules(row) || row.line <= previousLine) __builtin_trap();
    if (table.Find(row.serial) != &row) __builtin_trap();
    previousLine = row.line;
  }
  const kvx::Result<kvx::SettingsTable> reread = kvx::ParseSettingsTable(WrittenOut(table));
  if (!reread || reread->size() != table.size()) __builtin_trap();
  for (std::size_t i = 0; i < table.size(); ++i) {
    if (!SameTexts(reread->Rows()[i], table.Rows()[i])) __builtin_trap();
  }
}

}  // namespace

extern "C" int LLVMFuzzerTestOneInput(const std::uint8_t* data, std::size_t size) {
  if (size == 0) return 0;
  std::string text = (data[0] & 1) != 0 ? std::string(kHeader) : std::string();
  text.append(reinterpret_cast<const char*>(data + 1), size - 1);
  const kvx::Result<kvx::SettingsTable> read = kvx::ParseSettingsTable(text);
  if (read) {
    CheckAccepted(*read);
  } else if (read.failure().text.rfind("line ", 0) != 0) {
    __builtin_trap();
  }
  return 0;
}
