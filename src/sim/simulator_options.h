#pragma once

#include <cstdint>
#include <optional>
#include <string>

#include "sim/fault_trigger.h"
#include "sim/logic_device.h"
#include "sim/version_words.h"

namespace kvx::sim {

// What the loader reports about itself in its identity reply. The words go on the wire as
// they stand; version_words.h turns versions into words.
struct IdentityOptions {
  std::uint16_t loaderWord = 103;                        // shown as 1.03
  std::uint16_t firmwareWord = kFirmwareWordBase + 104;  // firmware 1.04
  std::uint16_t logicWord = kLogicWordBase + 104;        // logic 1.04
  std::string serial = "12345678";                       // 8 characters, or 10 for the long reply
  // What 'j' answers for the logic device; the fuse files are made for device 19 alone.
  std::uint8_t logicDeviceId = kLogicDeviceId;
};

// Misbehaviour on purpose, for tests. Reply faults act on the reply to each request their
// trigger selects; they are applied in this order: silence, drop, wrong letter, wrong
// length, checksum, leading noise, lateness. The field's own faults (a noisy line, a USB
// adapter's latency, a pulled cable) act on every byte and reply.
struct FaultOptions {
  std::uint64_t seed = 1;

  FaultTrigger dropReply;        // the request is carried out, its reply never sent
  FaultTrigger corruptChecksum;  // the reply frame's checksum byte is wrong
  FaultTrigger leadingNoise;     // 1 to 16 noise bytes (never 0x10) go out before the frame
  FaultTrigger late;             // the reply leaves `lateMs` later than it would
  FaultTrigger wrongLength;      // the reply carries one byte fewer
  FaultTrigger wrongLetter;      // the reply's first byte stops (or, for 'r', starts) echoing
                                 // the command letter
  FaultTrigger failErase;        // 'g' reports failure and erases nothing (counts 'g' only)
  FaultTrigger failProgram;      // 'h' reports failure and writes nothing (counts 'h' only)
  FaultTrigger weakCell;         // 'h' reports success but stores its first byte with the
                                 // lowest bit flipped (counts 'h' only)

  std::uint32_t lateMs = 3000;
  // A noisy line: each byte, either way, has one bit flipped with this chance.
  double bitFlipChance = 0;
  // A USB serial adapter's latency timer, which holds every short reply this long before
  // passing it on; 0 for a port without one.
  std::uint32_t usbLatencyMs = 0;
  // A pulled cable: after this many requests the line goes away (the simulator closes its
  // side); 0 means never.
  std::uint32_t unplugAfter = 0;
  // After this many requests nothing more is answered or carried out; 0 means never.
  std::uint32_t silentAfter = 0;
  // Answer every speed request with this rate instead of the one asked for; 0 is sent as
  // it stands and leaves the listening rate alone.
  std::optional<std::uint32_t> speedReplyRate;
};

struct SimulatorOptions {
  std::uint32_t rate = 9600;  // the rate the loader listens at when it starts
  IdentityOptions identity;
  FaultOptions faults;
  std::string statePath;  // empty: flash and logic start erased and are not kept
  bool pace = false;      // hold replies back to what a real line of this rate allows
  bool verbose = false;   // log every request and reply on standard error
  // What begins each line of that log; probes sharing one process tell theirs apart by it.
  std::string logName = "kvxsim";
};

// Checks the options a simulator cannot run with; fails saying what is wrong.
Result<void> CheckOptions(const SimulatorOptions& options);

}  // namespace kvx::sim
