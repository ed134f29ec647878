#include "setup/read_setup_block.h"

#include <cstdint>
#include <optional>

#include "loader/flash_commands.h"
#include "loader/flash_map.h"

namespace kvx {

ErrorCode ReadStoredSetupBlock(ProbeLink& link, StoredNetworkSetup& stored) {
  SetupBlock block;
  const ErrorCode read =
      ReadMemory(link, kSetupBlockAddress, static_cast<std::uint16_t>(block.size()), block.data());
  if (read == kOk) stored = ReadSetupBlock(block);
  return read;
}

std::string MacAddressWarning(const StoredNetworkSetup& stored, const std::string& serialNumber) {
  if (!stored.texts) return "";
  const std::optional<MacAddress> own = MacAddressFor(serialNumber);
  if (own && *own == stored.macAddress) return "";
  return "the network setup holds the MAC address " + MacAddressText(stored.macAddress) +
         (own ? ", not " + MacAddressText(*own) + ", the one the serial number gives" : "");
}

}  // namespace kvx
