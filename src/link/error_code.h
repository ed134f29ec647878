#pragma once

#include <cstdint>

namespace kvx {

// Result of every probe-side operation: 0 is success, negative values are failures.
using ErrorCode = std::int32_t;

inline constexpr ErrorCode kOk = 0;

// Serial channel and frame codec.
inline constexpr ErrorCode kErrPort = -1001;          // open, configure or set rate failed
inline constexpr ErrorCode kErrTimeout = -1002;       // no byte within the time-out
inline constexpr ErrorCode kErrPortState = -1003;     // clearing the port's error state failed
inline constexpr ErrorCode kErrBadEscape = -1004;     // DLE followed by an unexpected byte
inline constexpr ErrorCode kErrChecksum = -1005;      // frame checksum mismatch
inline constexpr ErrorCode kErrFrameTooLong = -1006;  // frame longer than the receive buffer
inline constexpr ErrorCode kErrWrite = -1007;         // write failed or short

// Request transaction.
inline constexpr ErrorCode kErrNoReply = -3001;         // no valid reply after three attempts
inline constexpr ErrorCode kErrRequestTooLong = -3002;  // request longer than 1498 bytes
inline constexpr ErrorCode kErrNotConnected = -3003;    // link not connected
inline constexpr ErrorCode kErrReplyTooLong = -3004;    // reply longer than the caller's buffer

// Loader services and procedures.
inline constexpr ErrorCode kErrFirmwareFile = -4003;   // firmware file unreadable or invalid
inline constexpr ErrorCode kErrLoaderEcho = -4004;     // the loader answered 'r' with 'r'
inline constexpr ErrorCode kErrBadReply = -4005;       // wrong reply length or command letter
inline constexpr ErrorCode kErrEraseFailed = -4006;    // loader reports a failed sector erase
inline constexpr ErrorCode kErrProgramFailed = -4007;  // loader reports a failed flash program
inline constexpr ErrorCode kErrTextTooShort = -4009;   // fuse row or signature text too short
inline constexpr ErrorCode kErrSetupMismatch = -4008;  // setup block read back differs

// The link start-up's own failure: the loader did not answer at the rate it named.
// Positive on purpose; callers treat every non-zero start-up result as a failure.
inline constexpr ErrorCode kStartupRateLost = 3;

}  // namespace kvx
