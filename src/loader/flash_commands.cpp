#include "loader/flash_commands.h"

#include <algorithm>
#include <array>

#include "loader/command_exchange.h"
#include "loader/cursor.h"
#include "loader/flash_map.h"

namespace kvx {

namespace {

// 'e' replies: the letter, six bytes this program has no use for, then the data.
constexpr std::int32_t kReadMemoryReplyOverhead = 7;
constexpr std::int32_t kEraseSectorReplyLength = 2;
constexpr std::int32_t kProgramFlashReplyLength = 6;

// Erases `sectors` in order, telling `progress` how far it has come, and stops at the first
// failure.
template <std::size_t N>
ErrorCode EraseEach(ProbeLink& link, const std::array<std::uint32_t, N>& sectors,
                    const EraseProgress& progress) {
  std::uint64_t toErase = 0;
  for (const std::uint32_t sector : sectors) toErase += SectorBytes(sector);
  std::uint64_t erased = 0;
  progress(erased, toErase);
  for (const std::uint32_t sector : sectors) {
    if (const ErrorCode rc = EraseSector(link, sector); rc != kOk) return rc;
    erased += SectorBytes(sector);
    progress(erased, toErase);
  }
  return kOk;
}

}  // namespace

ErrorCode ReadMemory(ProbeLink& link, std::uint32_t address, std::uint16_t length,
                     std::uint8_t* destination) {
  std::uint8_t* at = BeginRequest(link, kReadMemoryCommand);
  at = PutU32BE(address, at);
  at = PutU16BE(length, at);
  const Reply reply = ExchangeRequest(link, kReadMemoryCommand, at);
  if (const ErrorCode rc =
          CheckReply(link, reply, length + kReadMemoryReplyOverhead, kReadMemoryCommand);
      rc != kOk) {
    return rc;
  }
  std::copy_n(link.commandReply.data() + kReadMemoryReplyOverhead, length, destination);
  return kOk;
}

ErrorCode ReadMemoryInHalves(ProbeLink& link, std::uint32_t address, std::size_t length,
                             std::uint8_t* destination, std::size_t smallestRead) {
  return SplitOnNoReply(0, length, smallestRead, 1, [&](std::size_t offset, std::size_t n) {
    return ReadMemory(link, static_cast<std::uint32_t>(address + offset),
                      static_cast<std::uint16_t>(n), destination + offset);
  });
}

ErrorCode EraseSector(ProbeLink& link, std::uint32_t sectorAddress) {
  std::uint8_t* at = BeginRequest(link, kEraseSectorCommand);
  at = PutU32BE(sectorAddress, at);
  const Reply reply = ExchangeRequest(link, kEraseSectorCommand, at);
  if (const ErrorCode rc = CheckReply(link, reply, kEraseSectorReplyLength, kEraseSectorCommand);
      rc != kOk) {
    return rc;
  }
  return CheckLoaderStatus(link, kErrEraseFailed);
}

ErrorCode ProgramFlash(ProbeLink& link, std::uint32_t address, std::size_t length,
                       const std::uint8_t* data, std::uint32_t& loaderValue) {
  if (length > kMaxProgramFlashBytes) return kErrRequestTooLong;
  std::uint8_t* at = BeginRequest(link, kProgramFlashCommand);
  at = PutU32BE(address, at);
  at = PutU16BE(static_cast<std::uint16_t>(length), at);
  at = std::copy_n(data, length, at);
  const Reply reply = ExchangeRequest(link, kProgramFlashCommand, at);
  if (const ErrorCode rc = CheckReply(link, reply, kProgramFlashReplyLength, kProgramFlashCommand);
      rc != kOk) {
    return rc;
  }
  GetU32BE(loaderValue, link.commandReply.data() + 2);
  return CheckLoaderStatus(link, kErrProgramFailed);
}

ErrorCode ProgramFlash(ProbeLink& link, std::uint32_t address, std::size_t length,
                       const std::uint8_t* data) {
  std::uint32_t unused = 0;
  return ProgramFlash(link, address, length, data, unused);
}

ErrorCode EraseAllSectors(ProbeLink& link, const EraseProgress& progress,
                          const PartChangeReport& report) {
  for (const ProbePart part : {ProbePart::kFirmware, ProbePart::kSetupBlock})
    ReportChange(report, part, PartChange::kErasing);
  const ErrorCode result = EraseEach(link, kErasableSectors, progress);
  if (result != kOk) return result;
  for (const ProbePart part : {ProbePart::kFirmware, ProbePart::kSetupBlock})
    ReportChange(report, part, PartChange::kErased);
  return kOk;
}

ErrorCode EraseFirmwareSectors(ProbeLink& link, const EraseProgress& progress) {
  return EraseEach(link, kFirmwareSectors, progress);
}

ErrorCode StartFirmware(ProbeLink& link) {
  const WindingDown leaving(link);
  return ExchangeLetter(link, kStartFirmwareCommand).error;
}

}  // namespace kvx
