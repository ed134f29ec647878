#pragma once

#include <cstddef>
#include <cstdint>

#include "link/error_code.h"
#include "link/frame_encoding.h"
#include "link/serial_channel.h"

namespace kvx {

// Sends a payload of n bytes (0 <= n <= kMaxFramePayload) as one frame in one write.
// kErrWrite when the write fails, is short, or n is out of range.
ErrorCode SendFrame(SerialChannel& channel, std::int32_t n, const std::uint8_t* payload);

// Reads one complete frame and stores its unstuffed payload in `buffer`. Returns the payload
// length, or fails with kErrTimeout, kErrPortState, kErrBadEscape, kErrChecksum or
// kErrFrameTooLong.
// `byteTimeoutMs` applies to each byte on its own. The hunt for the frame start also gives up
// after a bounded amount of noise or failed reads, so a babbling line cannot hold it forever.
Reply ReceiveFrame(SerialChannel& channel, std::int32_t capacity, std::uint8_t* buffer,
                   std::uint32_t byteTimeoutMs);

// Why ReceiveFrame brought no frame, in words ("broken frame: checksum mismatch").
const char* ReceiveFailureText(ErrorCode why);

}  // namespace kvx
