#pragma once

#include <cstddef>
#include <cstdint>
#include <functional>

#include "link/error_code.h"
#include "link/probe_link.h"
#include "loader/part_change.h"

namespace kvx {

// The loader's flash commands. Each is one request exchange; each returns 0, kErrBadReply
// when the reply has the wrong length or letter, its own failure code, or the exchange's
// code (kErrNoReply, kErrRequestTooLong, kErrNotConnected, kErrReplyTooLong). Outputs are
// written only on success.

// The most data one ProgramFlash request carries: the request holds the letter, the address
// and the length (7 bytes) before the data.
inline constexpr std::size_t kMaxProgramFlashBytes = kMaxRequestBytes - 7;
// The most data one ReadMemory reply carries: the reply, 7 bytes before the data, shares the
// 1500-byte frame payload with the 2-byte link header.
inline constexpr std::size_t kMaxReadMemoryBytes = kFramePayloadCapacity - 2 - 7;

// Reads `length` bytes of probe memory at `address` into `destination`.
ErrorCode ReadMemory(ProbeLink& link, std::uint32_t address, std::uint16_t length,
                     std::uint8_t* destination);

// Reads `length` bytes, at most kMaxReadMemoryBytes, as ReadMemory does; when the read gets no
// valid reply in its attempts and is longer than `smallestRead` bytes, reads it again as two
// halves instead, each halved again as it fails (SplitOnNoReply).
ErrorCode ReadMemoryInHalves(ProbeLink& link, std::uint32_t address, std::size_t length,
                             std::uint8_t* destination, std::size_t smallestRead);

// Runs `exchange(offset, n)` for the `length` bytes from `offset` on. When that brings no valid
// reply in its attempts, the bytes go out again as two exchanges of half as many, each split
// the same way as it fails, as long as a piece is longer than `smallest` bytes; halves are cut
// at a multiple of `unit` bytes from the piece's start. A noisy line damages a long frame far
// more often than a short one, so short pieces get through where the long one could not; any
// other failure, a stop or a vanished port among them, ends it at once.
template <typename Exchange>
ErrorCode SplitOnNoReply(std::size_t offset, std::size_t length, std::size_t smallest,
                         std::size_t unit, const Exchange& exchange) {
  const ErrorCode result = exchange(offset, length);
  const std::size_t half = length / 2 / unit * unit;
  if (result != kErrNoReply || length <= smallest || half == 0) return result;
  if (const ErrorCode first = SplitOnNoReply(offset, half, smallest, unit, exchange);
      first != kOk) {
    return first;
  }
  return SplitOnNoReply(offset + half, length - half, smallest, unit, exchange);
}

// Erases the flash sector that starts at `sectorAddress`. kErrEraseFailed when the loader
// reports a failed erase.
ErrorCode EraseSector(ProbeLink& link, std::uint32_t sectorAddress);

// Programs `length` bytes at `address`. kErrProgramFailed when the loader reports a failed
// program; `loaderValue` then still receives the 32-bit value of the reply, which is written
// whenever the reply is well-formed. More than kMaxProgramFlashBytes is refused with
// kErrRequestTooLong before anything is sent.
ErrorCode ProgramFlash(ProbeLink& link, std::uint32_t address, std::size_t length,
                       const std::uint8_t* data, std::uint32_t& loaderValue);
// The same for callers that have no use for the reply's value.
ErrorCode ProgramFlash(ProbeLink& link, std::uint32_t address, std::size_t length,
                       const std::uint8_t* data);

// Told how far an erase of several sectors has come, before the first sector and after each
// one erased: the bytes of flash erased so far of all it is to erase (see SectorBytes).
using EraseProgress = std::function<void(std::uint64_t erasedBytes, std::uint64_t bytesToErase)>;

// Erases every erasable sector, lowest first, and stops at the first failure, whose code it
// returns; the sectors behind it are left as they were. `report` learns that the firmware
// and the setup block are being erased, and whether they were.
ErrorCode EraseAllSectors(ProbeLink& link, const EraseProgress& progress,
                          const PartChangeReport& report = {});

// Erases the three firmware sectors the same way: what an update clears before it programs.
ErrorCode EraseFirmwareSectors(ProbeLink& link, const EraseProgress& progress);

// Leaves the loader and starts the probe's firmware. Any reply is success. Sent even after a
// stop was asked for (WindingDown).
ErrorCode StartFirmware(ProbeLink& link);

}  // namespace kvx
