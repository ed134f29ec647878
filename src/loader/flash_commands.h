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
