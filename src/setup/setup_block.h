#pragma once

#include <array>
#include <cstddef>
#include <cstdint>
#include <optional>
#include <string>

#include "loader/flash_map.h"

namespace kvx {

// The probe's network identity as it sits in flash at kSetupBlockAddress:
//   0   MAC address 02 B7 E9 and three bytes made from the serial number
//   6   FF FF
//   8   probe IP address, subnet mask, default gateway, configuration host IP address
//       (each 32 bits big-endian; a text that does not parse is stored as FF FF FF FF)
//   24  configuration file name, at most kMaxConfigFileNameLength characters, then a 0 byte
// Every byte behind the name's 0 byte is 0, so the same texts always give the same block.
using SetupBlock = std::array<std::uint8_t, kSetupBlockSize>;

inline constexpr std::size_t kSetupBlockNameOffset = 24;
// The longest name that still leaves room for its 0 byte inside the block.
inline constexpr std::size_t kMaxConfigFileNameLength = kSetupBlockSize - kSetupBlockNameOffset - 1;
// The MAC bytes are made from this many serial-number characters.
inline constexpr std::size_t kSerialCharactersForMac = 6;

// The dialog's network texts, as typed.
struct NetworkSetupTexts {
  std::string hostIpAddress;
  std::string probeIpAddress;
  std::string subnetMask;
  std::string defaultGateway;
  std::string configFileName;  // cut to kMaxConfigFileNameLength characters in the block
};

// Texts compare byte for byte: letter case counts.
inline bool operator==(const NetworkSetupTexts& a, const NetworkSetupTexts& b) {
  return a.hostIpAddress == b.hostIpAddress && a.probeIpAddress == b.probeIpAddress &&
         a.subnetMask == b.subnetMask && a.defaultGateway == b.defaultGateway &&
         a.configFileName == b.configFileName;
}

// Why a text cannot go into the block as it stands, or nothing when it can. The probe stores
// what it is sent, so a mistyped address would silently become FF FF FF FF in its flash, and
// a longer file name would be cut short. A dotted quad also fits the dialog's address edits:
// its four parts have at most three digits each.
std::optional<std::string> AddressTextProblem(const std::string& text);
std::optional<std::string> ConfigFileNameProblem(const std::string& text);
using TextCheck = std::optional<std::string> (*)(const std::string& text);

// A text from the probe or a file as a terminal may show it: every byte that is not printable
// ASCII written as \xNN, so what a device or a damaged file says cannot send control
// sequences to the terminal.
std::string EscapedText(const std::string& text);
// A text that failed its check, as a message quotes it: escaped as above, in single quotes,
// and cut after 100 characters, since a runaway text can be megabytes long.
std::string ShownText(const std::string& text);

// Builds the block for the probe with `serialNumber`. Each of the three MAC bytes k is
// (16 * c(2k) + c(2k+1) - 48) mod 256 over the serial's character codes, which packs a pair
// of decimal digits as BCD. Nothing when the serial has fewer than kSerialCharactersForMac
// characters: no MAC address can be made from it.
std::optional<SetupBlock> BuildSetupBlock(const std::string& serialNumber,
                                          const NetworkSetupTexts& texts);

inline constexpr std::size_t kMacAddressBytes = 6;
using MacAddress = std::array<std::uint8_t, kMacAddressBytes>;

// A block as read back from a probe. An erased block (every byte 0xFF) holds no setup: it
// gives no texts, rather than the addresses 255.255.255.255 its bytes would spell.
struct StoredNetworkSetup {
  std::optional<NetworkSetupTexts>
      texts;  // the addresses as dotted quads, the name up to its 0 byte
  MacAddress macAddress{};
};

StoredNetworkSetup ReadSetupBlock(const SetupBlock& block);

// The MAC address BuildSetupBlock makes for `serialNumber`; nothing when it makes none.
std::optional<MacAddress> MacAddressFor(const std::string& serialNumber);
// Twelve upper-case hex digits, as the probe's label shows them.
std::string MacAddressText(const MacAddress& address);

}  // namespace kvx
