#include "setup/write_setup_block.h"

#include <algorithm>
#include <optional>

#include "loader/flash_commands.h"
#include "loader/flash_map.h"
#include "loader/probe_identity.h"

namespace kvx {

namespace {

ErrorCode WriteAndReadBack(ProbeLink& link, const NetworkSetupTexts& texts) {
  ProbeIdentity identity;
  if (const ErrorCode queried = QueryIdentity(link, identity); queried != kOk) return queried;
  const std::optional<SetupBlock> block = BuildSetupBlock(identity.serialNumber, texts);
  if (!block) {
    return NoteExchangeFailure(link, kErrBadReply, link.commandRequest.data(), 1,
                               "the serial number '%s' is too short to make a MAC address from",
                               identity.serialNumber.c_str());
  }

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
  const auto [written, read] = std::mismatch(block->begin(), block->end(), readBack.begin());
  if (written == block->end()) return kOk;
  const auto offset = static_cast<unsigned>(written - block->begin());
  return NoteExchangeFailure(link, kErrSetupMismatch, link.commandRequest.data(), 8,
                             "the block read back differs at byte %u: written 0x%02X, read 0x%02X",
                             offset, *written, *read);
}

}  // namespace

ErrorCode WriteSetupBlock(ProbeLink& link, const NetworkSetupTexts& texts,
                          const PartChangeReport& report) {
  ReportChange(report, ProbePart::kSetupBlock, PartChange::kChanging);
  const ErrorCode result = WriteAndReadBack(link, texts);
  if (result == kOk) ReportChange(report, ProbePart::kSetupBlock, PartChange::kWritten);
  return result;
}

}  // namespace kvx
