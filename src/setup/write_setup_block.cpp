#include "setup/write_setup_block.h"

#include <optional>

#include "loader/flash_commands.h"
#include "loader/flash_map.h"
#include "loader/probe_identity.h"

namespace kvx {

ErrorCode WriteSetupBlock(ProbeLink& link, const NetworkSetupTexts& texts) {
  ProbeIdentity identity;
  if (const ErrorCode queried = QueryIdentity(link, identity); queried != kOk) return queried;
  const std::optional<SetupBlock> block = BuildSetupBlock(identity.serialNumber, texts);
  if (!block) return kErrBadReply;

  if (const ErrorCode erased = EraseSector(link, kSetupSector); erased != kOk) return erased;
  if (const ErrorCode programmed =
          ProgramFlash(link, kSetupBlockAddress, block->size(), block->data());
      programmed != kOk) {
    return programmed;
  }
  SetupBlock readBack{};
  if (const ErrorCode read = ReadMemory(
          link, kSetupBlockAddress, static_cast<std::uint16_t>(readBack.size()), readBack.data());
      read != kOk) {
    return read;
  }
  return readBack == *block ? kOk : kErrSetupMismatch;
}

}  // namespace kvx
