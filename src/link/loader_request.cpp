#include "link/loader_request.h"

#include <algorithm>
#include <cstdarg>
#include <cstdio>
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

// The port itself failed (an adapter unplugged, its device node gone): no attempt left can
// reach the probe, and the user should hear that rather than about a silent probe.
Reply PortGone(ProbeLink& link, const std::uint8_t* request, std::uint32_t length) {
  NoteExchangeFailure(link, kErrPortState, request, length,
                      "the port went away (was the adapter unplugged?)");
  return Reply::Failed(kErrPortState);
}

}  // namespace

ErrorCode NoteExchangeFailure(ProbeLink& link, ErrorCode code, const std::uint8_t* request,
                              std::size_t requestLength, const char* what, ...) {
  ExchangeFailure& failure = link.failure;
  failure.code = code;
  failure.requestBytes = std::min(requestLength, failure.request.size());
  std::copy_n(request, failure.requestBytes, failure.request.begin());
  std::va_list arguments;
  va_start(arguments, what);
  std::vsnprintf(failure.what.data(), failure.what.size(), what, arguments);
  va_end(arguments);
  return code;
}

bool RefusedByStop(ProbeLink& link) {
  if (link.windingDown || !link.channel.Abandoned()) return false;
  link.stopped = true;
  NoteExchangeFailure(link, kErrStopped, nullptr, 0, "nothing: the program was asked to stop");
  return true;
}

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
  const auto length = static_cast<std::uint32_t>(requestLength);
  link.failure.code = kOk;
  if (!link.connected) {
    NoteExchangeFailure(link, kErrNotConnected, request, length, "the link is not connected");
    return Reply::Failed(kErrNotConnected);
  }
  if (length > kMaxRequestBytes) {
    NoteExchangeFailure(link, kErrRequestTooLong, request, length,
                        "nothing: the request of %u bytes is longer than a frame carries",
                        static_cast<unsigned>(length));
    return Reply::Failed(kErrRequestTooLong);
  }

  PutLinkHeader(link.requestFrame.data(), length, link.sequence, link.headerFlags);
  ++link.sequence;
  if (length > 0) std::memcpy(link.requestFrame.data() + kHeaderBytes, request, length);
  const std::uint32_t byteTimeout = ReplyByteTimeoutMs(length, link.baudRate, extraTimeoutMs);

  // Why the latest attempt brought no usable reply, for the failure record.
  std::array<char, 64> lastAttempt{};
  for (int attempt = 0; attempt < kAttempts; ++attempt) {
    if (RefusedByStop(link)) return Reply::Failed(kErrStopped);
    PurgeChannelInput(link.channel);
    if (SendFrame(link.channel, static_cast<std::int32_t>(length + kHeaderBytes),
                  link.requestFrame.data()) != kOk) {
      if (!link.channel.ClearErrors()) return PortGone(link, request, length);
      std::snprintf(lastAttempt.data(), lastAttempt.size(), "the request could not be written");
      continue;
    }
    const Reply frame =
        ReceiveFrame(link.channel, static_cast<std::int32_t>(link.replyFrame.size()),
                     link.replyFrame.data(), byteTimeout);
    if (frame.error == kErrPortState) return PortGone(link, request, length);
    if (!frame.Ok()) {
      std::snprintf(lastAttempt.data(), lastAttempt.size(), "%s", ReceiveFailureText(frame.error));
      continue;
    }
    if (frame.length < static_cast<std::int32_t>(kHeaderBytes)) {
      std::snprintf(lastAttempt.data(), lastAttempt.size(), "a frame of %d bytes, no header",
                    frame.length);
      continue;
    }
    const std::uint32_t replyLength = LinkHeaderLength(link.replyFrame.data());
    if (replyLength != static_cast<std::uint32_t>(frame.length) - kHeaderBytes) {
      std::snprintf(lastAttempt.data(), lastAttempt.size(),
                    "a frame of %d bytes whose header says %u", frame.length,
                    static_cast<unsigned>(replyLength));
      continue;
    }
    if (replyCapacity < 0 || replyLength > static_cast<std::uint32_t>(replyCapacity)) {
      NoteExchangeFailure(link, kErrReplyTooLong, request, length,
                          "a reply of %u bytes, more than the %d it may have",
                          static_cast<unsigned>(replyLength), replyCapacity);
      return Reply::Failed(kErrReplyTooLong);
    }
    if (replyLength > 0) std::memcpy(reply, link.replyFrame.data() + kHeaderBytes, replyLength);
    link.lastReplyLength = static_cast<std::int32_t>(replyLength);
    return Reply::Received(link.lastReplyLength);
  }
  NoteExchangeFailure(link, kErrNoReply, request, length,
                      "no valid reply in %d attempts (the last: %s)", kAttempts,
                      lastAttempt.data());
  return Reply::Failed(kErrNoReply);
}

}  // namespace kvx
