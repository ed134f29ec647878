#pragma once

#include <cstddef>
#include <cstdint>

#include "link/error_code.h"
#include "link/serial_channel.h"

namespace kvx {

inline constexpr std::uint8_t kDle = 0x10;
inline constexpr std::uint8_t kStx = 0x02;
inline constexpr std::uint8_t kEtx = 0x03;

// The largest payload SendFrame takes, and the longest wire form of it: every byte and the
// checksum doubled, plus DLE STX and DLE ETX.
inline constexpr std::size_t kMaxFramePayload = 1500;
inline constexpr std::size_t kMaxEncodedFrame = 2 * kMaxFramePayload + 6;

// Byte-stuffs `payload` into a frame in `out` (at least kMaxEncodedFrame bytes) and returns
// its length; payloads over kMaxFramePayload bytes give 0 and write nothing.
std::size_t EncodeFrame(const std::uint8_t* payload, std::size_t n, std::uint8_t* out);

// Sends a payload of n bytes (0 <= n <= kMaxFramePayload) as one frame in one write.
// kErrWrite when the write fails, is short, or n is out of range.
ErrorCode SendFrame(SerialChannel& channel, std::int32_t n, const std::uint8_t* payload);

// Reads one complete frame and stores its unstuffed payload in `buffer`. Returns the payload
// length, or kErrTimeout, kErrPortState, kErrBadEscape, kErrChecksum or kErrFrameTooLong.
// `byteTimeoutMs` applies to each byte on its own. The hunt for the frame start also gives up
// after a bounded amount of noise or failed reads, so a babbling line cannot hold it forever.
std::int32_t ReceiveFrame(SerialChannel& channel, std::int32_t capacity, std::uint8_t* buffer,
                          std::uint32_t byteTimeoutMs);

}  // namespace kvx
