#pragma once

#include <cstddef>
#include <cstdint>

namespace kvx {

inline constexpr std::uint8_t kDle = 0x10;
inline constexpr std::uint8_t kStx = 0x02;
inline constexpr std::uint8_t kEtx = 0x03;

// The largest payload a frame carries, and the longest wire form of it: every byte and the
// checksum doubled, plus DLE STX and DLE ETX.
inline constexpr std::size_t kMaxFramePayload = 1500;
inline constexpr std::size_t kMaxEncodedFrame = 2 * kMaxFramePayload + 6;

// Byte-stuffs `payload` into a frame in `out` (at least kMaxEncodedFrame bytes) and returns
// its length; payloads over kMaxFramePayload bytes give 0 and write nothing.
std::size_t EncodeFrame(const std::uint8_t* payload, std::size_t n, std::uint8_t* out);

}  // namespace kvx
