#include "setup/setup_block.h"

#include <algorithm>
#include <cstdio>

#include "loader/cursor.h"
#include "setup/dotted_quad.h"

namespace kvx {

namespace {

constexpr std::array<std::uint8_t, 3> kMacPrefix = {0x02, 0xB7, 0xE9};
constexpr std::uint8_t kMacFiller = 0xFF;
constexpr std::size_t kShownTextLimit = 100;

std::uint8_t MacByte(char high, char low) {
  const auto h = static_cast<std::uint8_t>(high);
  const auto l = static_cast<std::uint8_t>(low);
  return static_cast<std::uint8_t>(16u * h + l - 48u);
}

std::uint8_t* PutAddress(const std::string& text, std::uint8_t* at) {
  return PutU32BE(static_cast<std::uint32_t>(ParseDottedQuad(text)), at);
}

std::string AddressText(const std::uint8_t* at) {
  return std::to_string(at[0]) + "." + std::to_string(at[1]) + "." + std::to_string(at[2]) + "." +
         std::to_string(at[3]);
}

}  // namespace

std::optional<SetupBlock> BuildSetupBlock(const std::string& serialNumber,
                                          const NetworkSetupTexts& texts) {
  if (serialNumber.size() < kSerialCharactersForMac) return std::nullopt;
  SetupBlock block{};
  std::uint8_t* at = std::copy(kMacPrefix.begin(), kMacPrefix.end(), block.data());
  for (std::size_t i = 0; i < kSerialCharactersForMac; i += 2) {
    at = PutByte(MacByte(serialNumber[i], serialNumber[i + 1]), at);
  }
  at = PutByte(kMacFiller, PutByte(kMacFiller, at));
  at = PutAddress(texts.probeIpAddress, at);
  at = PutAddress(texts.subnetMask, at);
  at = PutAddress(texts.defaultGateway, at);
  at = PutAddress(texts.hostIpAddress, at);
  const std::size_t nameLength = std::min(texts.configFileName.size(), kMaxConfigFileNameLength);
  // The 0 byte behind the name is already there: the block starts all zero.
  std::copy_n(texts.configFileName.begin(), nameLength, at);
  return block;
}

StoredNetworkSetup ReadSetupBlock(const SetupBlock& block) {
  StoredNetworkSetup stored;
  std::copy_n(block.begin(), kMacAddressBytes, stored.macAddress.begin());
  if (std::all_of(block.begin(), block.end(), [](std::uint8_t byte) { return byte == 0xFF; }))
    return stored;
  constexpr std::size_t kAddressesOffset = 8;
  const std::uint8_t* at = block.data() + kAddressesOffset;
  NetworkSetupTexts texts;
  for (std::string* text :
       {&texts.probeIpAddress, &texts.subnetMask, &texts.defaultGateway, &texts.hostIpAddress}) {
    *text = AddressText(at);
    at += 4;
  }
  const auto name = block.begin() + kSetupBlockNameOffset;
  texts.configFileName.assign(name, std::find(name, block.end(), 0));
  stored.texts = std::move(texts);
  return stored;
}

std::optional<MacAddress> MacAddressFor(const std::string& serialNumber) {
  const std::optional<SetupBlock> block = BuildSetupBlock(serialNumber, {});
  if (!block) return std::nullopt;
  MacAddress address;
  std::copy_n(block->begin(), kMacAddressBytes, address.begin());
  return address;
}

std::string MacAddressText(const MacAddress& address) {
  std::string text;
  for (const std::uint8_t byte : address) {
    char digits[3];
    std::snprintf(digits, sizeof digits, "%02X", byte);
    text += digits;
  }
  return text;
}

std::optional<std::string> AddressTextProblem(const std::string& text) {
  if (IsDottedQuad(text)) return std::nullopt;
  return std::string("is not a dotted quad such as 10.0.0.1");
}

std::optional<std::string> ConfigFileNameProblem(const std::string& text) {
  if (text.size() <= kMaxConfigFileNameLength) return std::nullopt;
  return "is longer than " + std::to_string(kMaxConfigFileNameLength) + " characters";
}

std::string EscapedText(const std::string& text) {
  std::string shown;
  for (const char c : text) {
    const auto byte = static_cast<unsigned char>(c);
    if (byte >= 0x20 && byte < 0x7F) {
      shown += c;
    } else {
      char escaped[8];
      std::snprintf(escaped, sizeof escaped, "\\x%02X", byte);
      shown += escaped;
    }
  }
  return shown;
}

std::string ShownText(const std::string& text) {
  const bool cut = text.size() > kShownTextLimit;
  return "'" + EscapedText(text.substr(0, kShownTextLimit)) + (cut ? "...'" : "'");
}

}  // namespace kvx
