#pragma once

#include <array>
#include <cstddef>
#include <cstdint>

#include "link/frame_encoding.h"

namespace kvx::sim {

// Takes line bytes one at a time, as they arrive, and recognises the host's frames in them:
// DLE STX, the payload with every 0x10 doubled, DLE ETX, the XOR checksum (doubled when 0x10).
// Bytes outside a frame are skipped; as on the host side, the byte after a DLE is never
// itself taken for a DLE while hunting, so an escaped 0x10 followed by 0x02 starts nothing.
class FrameParser {
 public:
  enum class Event {
    kNone,      // nothing complete yet
    kFrame,     // a frame with a good checksum: Payload() and Size() hold it
    kBadFrame,  // a frame broke (bad escape, checksum, too long); hunting again
  };

  Event Push(std::uint8_t byte);
  // Forgets any frame in progress, for example after line noise.
  void Reset() { state_ = State::kHunt; }

  const std::uint8_t* Payload() const { return payload_.data(); }
  std::size_t Size() const { return size_; }
  // How many line bytes the last frame took, from DLE STX to the checksum.
  std::size_t WireSize() const { return wireSize_; }

 private:
  enum class State { kHunt, kHuntDle, kPayload, kPayloadDle, kChecksum, kChecksumDle };

  Event StartFrame();
  Event Fail();
  Event PushPayloadEscape(std::uint8_t byte);
  Event StoreData(std::uint8_t byte);
  Event Finish(std::uint8_t checksum);

  State state_ = State::kHunt;
  std::array<std::uint8_t, kMaxFramePayload> payload_{};
  std::size_t size_ = 0;
  std::size_t wireSize_ = 0;
  std::uint8_t checksum_ = 0;
};

}  // namespace kvx::sim
