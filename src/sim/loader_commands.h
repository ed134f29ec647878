#pragma once

#include <cstddef>
#include <cstdint>
#include <utility>
#include <vector>

#include "sim/device_state.h"
#include "sim/simulator_options.h"

namespace kvx::sim {

// First byte of the reply to a request the loader cannot carry out: an unknown letter, or
// a request of the wrong length or with a field out of range. The second byte is the letter.
inline constexpr std::uint8_t kRefusedReply = '?';
// First byte of the reply to a logic device command ('j', 'k', 'l', 'm', 'n', 'p') outside
// ISP mode; the device is left alone. The second byte is the letter.
inline constexpr std::uint8_t kNotInIspReply = '!';
// The whole reply to 'r': anything but an echo of the letter.
inline constexpr std::uint8_t kIdentityProbeReply = 0x00;

// One 'h' request as the loader carried it out, whatever came of it.
struct ProgramRecord {
  std::uint32_t address = 0;
  std::uint16_t length = 0;
  FlashStatus status = FlashStatus::kOk;
};

// Injected failures that change what a command does, not just its reply.
struct CommandFaults {
  bool failErase = false;
  bool failProgram = false;
  bool weakCell = false;
};

// The loader's one-letter commands, carried out on the device. Replies (without the link
// header) by letter:
//   'd'  'd', loader word, firmware word, logic word, 8 or 10 serial characters
//   'e'  'e', address (u32), length (u16), the bytes read           (at most 1491 bytes)
//   'g'  'g', FlashStatus
//   'h'  'h', FlashStatus, u32: the address behind the programmed bytes, or on failure the
//        requested address
//   'i'  'i', the mode byte (1 enters ISP mode, 0 leaves it)
//   'j'  'j', the logic device's identifier (19 unless told otherwise)
//   'k'  'k', the row as programmed, the row again (the erased-state reading), 481 bytes
//   'l', 'n', 'p'  the letter, 0
//   'm'  'm', the 120 signature characters
//   'q'  'q'; the loader goes on serving (a real probe would start its firmware)
//   'r'  kIdentityProbeReply
class LoaderCommands {
 public:
  LoaderCommands(DeviceState& device, IdentityOptions identity)
      : device_(device), identity_(std::move(identity)) {}

  // Carries out the command in `request` (`n` >= 1 bytes, letter first) and replaces
  // `reply` with the reply bytes.
  void Execute(const std::uint8_t* request, std::size_t n, CommandFaults faults,
               std::vector<std::uint8_t>& reply);

  std::uint64_t FirmwareStarts() const { return firmwareStarts_; }
  // Every well-formed 'h' request carried out, in order. A few bytes a request: a whole
  // firmware image in small records stays well below a megabyte.
  const std::vector<ProgramRecord>& ProgramLog() const { return programLog_; }

 private:
  struct Request {
    const std::uint8_t* bytes;
    std::size_t size;
  };

  // Each returns false when the request is malformed; the reply is then refused.
  bool Identity(Request request, std::vector<std::uint8_t>& reply) const;
  bool ReadMemory(Request request, std::vector<std::uint8_t>& reply) const;
  bool EraseSector(Request request, bool fail, std::vector<std::uint8_t>& reply);
  bool ProgramFlash(Request request, CommandFaults faults, std::vector<std::uint8_t>& reply);
  bool SetIsp(Request request, std::vector<std::uint8_t>& reply);
  bool LogicCommand(Request request, std::vector<std::uint8_t>& reply);
  bool ReadFuseRow(Request request, std::vector<std::uint8_t>& reply) const;
  bool ProgramFuseRow(Request request, std::vector<std::uint8_t>& reply);
  bool ProgramSignature(Request request, std::vector<std::uint8_t>& reply);
  bool StartFirmware(Request request, std::vector<std::uint8_t>& reply);

  DeviceState& device_;
  const IdentityOptions identity_;
  std::uint64_t firmwareStarts_ = 0;
  std::vector<ProgramRecord> programLog_;
};

}  // namespace kvx::sim
