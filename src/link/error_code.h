#pragma once

#include <cstdint>

// How the probe side reports results: one shape for each kind of call.
//
//   ErrorCode  every probe operation: opening the link, each loader command, the identity
//              query, the firmware update, the setup transfer. 0 is success; a failure is
//              one of the codes below. These calls show nothing to the user; the caller
//              picks the message.
//   Reply      every call that receives bytes: ReceiveFrame, LoaderRequest and the command
//              exchange beneath the loader commands. The length of what arrived, or the
//              ErrorCode saying why nothing usable did.
//   bool       a step that has already told the user about its own failure: the logic
//              steps, the JEDEC reader and the dialog's actions. The caller only decides
//              whether to go on.
//
// Codes are negative, with one exception: the link start-up may end with kStartupRateLost,
// which is positive. So callers test a result against kOk, never for being negative.

namespace kvx {

using ErrorCode = std::int32_t;

inline constexpr ErrorCode kOk = 0;

// --- Serial port and frames -----------------------------------------------------------------
// Returned by the port operations and the frame codec. The request transaction retries on
// all of them and reports kErrNoReply in the end; only the start-up passes kErrPort up.

// Opening, configuring or setting the rate of the port failed, or the loader did not answer
// the speed request. The port is closed again; the user checks the port and the cable.
inline constexpr ErrorCode kErrPort = -1001;
// No byte arrived within the time-out, while hunting for a frame or inside one.
inline constexpr ErrorCode kErrTimeout = -1002;
// The port failed while a frame was being read (a vanished device, a line error that would
// not clear).
inline constexpr ErrorCode kErrPortState = -1003;
// Inside a frame, DLE was followed by something other than DLE or ETX.
inline constexpr ErrorCode kErrBadEscape = -1004;
// The frame's checksum differs from its payload's.
inline constexpr ErrorCode kErrChecksum = -1005;
// The frame carries more than the caller's buffer holds; nothing was stored past it.
inline constexpr ErrorCode kErrFrameTooLong = -1006;
// A write failed or was short, or a frame was too long to send.
inline constexpr ErrorCode kErrWrite = -1007;

// --- Request transaction --------------------------------------------------------------------
// Returned by LoaderRequest and passed up unchanged by every loader command. The link stays
// connected; the caller reports a communication failure and may try again.

// Three attempts brought no valid reply; also the start-up when no rate was answered.
inline constexpr ErrorCode kErrNoReply = -3001;
// The request is longer than a frame carries; nothing was sent.
inline constexpr ErrorCode kErrRequestTooLong = -3002;
// The link is not connected; nothing was sent. The caller connects first.
inline constexpr ErrorCode kErrNotConnected = -3003;
// The reply is longer than the caller's buffer; nothing was copied and no retry was made.
inline constexpr ErrorCode kErrReplyTooLong = -3004;
// The user asked the program to stop: the exchange under way was finished and no request was
// sent after it (ProbeLink::stopped). Not the probe's failure, nor the line's.
inline constexpr ErrorCode kErrStopped = -3005;

// --- Loader services and procedures ---------------------------------------------------------
// Returned by the loader commands and the procedures built on them.

// The firmware update: the image file cannot be opened or holds a line that is not an
// S-record. Nothing was erased when the file could not be opened.
inline constexpr ErrorCode kErrFirmwareFile = -4003;
// The identity query: the loader answered 'r' with 'r'. The caller reconnects and asks again.
inline constexpr ErrorCode kErrLoaderEcho = -4004;
// A loader command, the identity query or the setup transfer: the reply has the wrong length
// or command letter, or carries no usable serial number.
inline constexpr ErrorCode kErrBadReply = -4005;
// A sector erase: the loader reports that the erase failed.
inline constexpr ErrorCode kErrEraseFailed = -4006;
// A flash program: the loader reports that programming failed.
inline constexpr ErrorCode kErrProgramFailed = -4007;
// The setup transfer: the block read back differs from the block written.
inline constexpr ErrorCode kErrSetupMismatch = -4008;
// A fuse row or signature program: the text is shorter than the loader expects; nothing was
// sent.
inline constexpr ErrorCode kErrTextTooShort = -4009;
// The firmware update's read-back: a flash byte differs from the image; no marker written.
inline constexpr ErrorCode kErrFirmwareMismatch = -4010;

// The link start-up: the loader named a rate and then did not answer there. Positive on
// purpose; the port is closed again and the caller treats it as any failed start-up.
inline constexpr ErrorCode kStartupRateLost = 3;

// What a call that receives bytes returns: the number of bytes delivered into the caller's
// buffer, or, when `error` is not kOk, why none are there (`length` is then 0).
struct Reply {
  std::int32_t length = 0;
  ErrorCode error = kOk;

  static Reply Received(std::int32_t n) { return {n, kOk}; }
  static Reply Failed(ErrorCode code) { return {0, code}; }
  bool Ok() const { return error == kOk; }
  // True when the reply arrived and is exactly `n` bytes long.
  bool HasLength(std::int32_t n) const { return Ok() && length == n; }
};

}  // namespace kvx
