#include "link/frame_codec.h"

#include <array>

#include "link/channel_ops.h"

namespace kvx {

namespace {

// How many bytes (or failed reads) the hunt for DLE STX passes over before it gives up: twice
// the longest frame, so a reply behind the tail of a broken earlier frame is still found.
constexpr int kHuntLimit = 2 * static_cast<int>(kMaxEncodedFrame);

// Skips input up to and including the next DLE STX. The byte after a DLE is never itself
// taken as a DLE, so an escaped 0x10 followed by 0x02 is not a frame start.
ErrorCode HuntFrameStart(SerialChannel& channel, std::uint32_t byteTimeoutMs) {
  ErrorCode last = kOk;
  for (int seen = 0; seen < kHuntLimit; ++seen) {
    std::uint8_t byte = 0;
    last = ReadChannelByte(channel, byte, byteTimeoutMs);
    if (last == kErrTimeout) return kErrTimeout;
    if (last != kOk || byte != kDle) continue;
    last = ReadChannelByte(channel, byte, byteTimeoutMs);
    if (last == kErrTimeout) return kErrTimeout;
    if (last == kOk && byte == kStx) return kOk;
  }
  return last == kErrPortState ? kErrPortState : kErrTimeout;
}

// Reads a byte that may be an escape: DLE DLE is a data 0x10, DLE ETX ends the payload.
enum class Token { kData, kEnd };

ErrorCode ReadToken(SerialChannel& channel, std::uint32_t byteTimeoutMs, std::uint8_t& byte,
                    Token& token) {
  token = Token::kData;
  if (ErrorCode rc = ReadChannelByte(channel, byte, byteTimeoutMs); rc != kOk) return rc;
  if (byte != kDle) return kOk;
  if (ErrorCode rc = ReadChannelByte(channel, byte, byteTimeoutMs); rc != kOk) return rc;
  if (byte == kDle) return kOk;
  if (byte == kEtx) {
    token = Token::kEnd;
    return kOk;
  }
  return kErrBadEscape;
}

ErrorCode ReadChecksum(SerialChannel& channel, std::uint32_t byteTimeoutMs,
                       std::uint8_t& checksum) {
  if (ErrorCode rc = ReadChannelByte(channel, checksum, byteTimeoutMs); rc != kOk) return rc;
  if (checksum != kDle) return kOk;
  std::uint8_t second = 0;
  if (ErrorCode rc = ReadChannelByte(channel, second, byteTimeoutMs); rc != kOk) return rc;
  return second == kDle ? kOk : kErrBadEscape;
}

}  // namespace

ErrorCode SendFrame(SerialChannel& channel, std::int32_t n, const std::uint8_t* payload) {
  if (n < 0 || static_cast<std::size_t>(n) > kMaxFramePayload) return kErrWrite;
  std::array<std::uint8_t, kMaxEncodedFrame> wire;
  const std::size_t length = EncodeFrame(payload, static_cast<std::size_t>(n), wire.data());
  if (FrameTap* tap = channel.Tap()) {
    tap->FrameSent(channel.TickMs(), payload, static_cast<std::size_t>(n));
  }
  return WriteChannelBytes(channel, length, wire.data());
}

namespace {

Reply ReadFrame(SerialChannel& channel, std::int32_t capacity, std::uint8_t* buffer,
                std::uint32_t byteTimeoutMs) {
  if (ErrorCode rc = HuntFrameStart(channel, byteTimeoutMs); rc != kOk) return Reply::Failed(rc);
  std::int32_t count = 0;
  std::uint8_t sum = 0;
  for (;;) {
    std::uint8_t byte = 0;
    Token token = Token::kData;
    if (ErrorCode rc = ReadToken(channel, byteTimeoutMs, byte, token); rc != kOk) {
      return Reply::Failed(rc);
    }
    if (token == Token::kEnd) break;
    if (count >= capacity) return Reply::Failed(kErrFrameTooLong);
    buffer[count++] = byte;
    sum ^= byte;
  }
  std::uint8_t checksum = 0;
  if (ErrorCode rc = ReadChecksum(channel, byteTimeoutMs, checksum); rc != kOk) {
    return Reply::Failed(rc);
  }
  return checksum == sum ? Reply::Received(count) : Reply::Failed(kErrChecksum);
}

}  // namespace

Reply ReceiveFrame(SerialChannel& channel, std::int32_t capacity, std::uint8_t* buffer,
                   std::uint32_t byteTimeoutMs) {
  const Reply frame = ReadFrame(channel, capacity, buffer, byteTimeoutMs);
  if (FrameTap* tap = channel.Tap()) {
    if (frame.Ok()) {
      tap->FrameReceived(channel.TickMs(), buffer, static_cast<std::size_t>(frame.length));
    } else {
      tap->ReceiveFailed(channel.TickMs(), frame.error);
    }
  }
  return frame;
}

const char* ReceiveFailureText(ErrorCode why) {
  switch (why) {
    case kErrTimeout:
      return "nothing within the time-out";
    case kErrPortState:
      return "the port failed";
    case kErrBadEscape:
      return "broken frame: bad escape";
    case kErrChecksum:
      return "broken frame: checksum mismatch";
    case kErrFrameTooLong:
      return "broken frame: too long";
    default:
      return "no frame";
  }
}

}  // namespace kvx
