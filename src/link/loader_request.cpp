#include "link/loader_request.h"

#include <cstring>

#include "link/channel_ops.h"
#include "link/frame_codec.h"

namespace kvx {

namespace {

constexpr int kAttempts = 3;
constexpr std::size_t kHeaderBytes = 2;
// A reply may carry a full frame payload; the time-out allows for the request and that much.
constexpr std::uint32_t kTimeoutLineBytes = 2 + kFramePayloadCapacity;
constexpr std::uint32_t kTimeoutSlackMs = 200;

}  // namespace

void PutLinkHeader(std::uint8_t* at, std::uint32_t length, std::uint8_t sequence,
                   std::uint8_t flags) {
  const std::uint32_t sequenceBits = (sequence & 0x03u) << 6;
  at[0] = static_cast<std::uint8_t>(((length >> 8) & 0x07u) | sequenceBits | flags);
  at[1] = static_cast<std::uint8_t>(length & 0xFF);
}

std::uint32_t LinkHeaderLength(const std::uint8_t* header) {
  return ((header[0] & 0x07u) << 8) | header[1];
}

std::uint32_t ReplyByteTimeoutMs(std::uint32_t requestLength, std::uint32_t baudRate,
                                 std::uint32_t extraMs) {
  // 10 bits a character, in ms. The rate is never 0 on a connected link; guard anyway.
  const std::uint32_t lineMs =
      baudRate == 0 ? 0 : (requestLength + kTimeoutLineBytes) * 10000u / baudRate;
  return lineMs + extraMs + kTimeoutSlackMs;
}

Reply LoaderRequest(ProbeLink& link, std::int32_t requestLength, const std::uint8_t* request,
                    std::int32_t replyCapacity, std::uint8_t* reply, std::uint32_t extraTimeoutMs) {
  if (!link.connected) return Reply::Failed(kErrNotConnected);
  const auto length = static_cast<std::uint32_t>(requestLength);
  if (length > kMaxRequestBytes) return Reply::Failed(kErrRequestTooLong);

  PutLinkHeader(link.requestFrame.data(), length, link.sequence, link.headerFlags);
  ++link.sequence;
  if (length > 0) std::memcpy(link.requestFrame.data() + kHeaderBytes, request, length);
  const std::uint32_t byteTimeout = ReplyByteTimeoutMs(length, link.baudRate, extraTimeoutMs);

  for (int attempt = 0; attempt < kAttempts; ++attempt) {
    PurgeChannelInput(link.channel);
    if (SendFrame(link.channel, static_cast<std::int32_t>(length + kHeaderBytes),
                  link.requestFrame.data()) != kOk) {
      continue;
    }
    const Reply frame =
        ReceiveFrame(link.channel, static_cast<std::int32_t>(link.replyFrame.size()),
                     link.replyFrame.data(), byteTimeout);
    if (!frame.Ok() || frame.length < static_cast<std::int32_t>(kHeaderBytes)) continue;
    const std::uint32_t replyLength = LinkHeaderLength(link.replyFrame.data());
    if (replyLength != static_cast<std::uint32_t>(frame.length) - kHeaderBytes) continue;
    if (replyCapacity < 0 || replyLength > static_cast<std::uint32_t>(replyCapacity)) {
      return Reply::Failed(kErrReplyTooLong);
    }
    if (replyLength > 0) std::memcpy(reply, link.replyFrame.data() + kHeaderBytes, replyLength);
    return Reply::Received(static_cast<std::int32_t>(replyLength));
  }
  return Reply::Failed(kErrNoReply);
}

}  // namespace kvx
