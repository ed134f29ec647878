#include "link/link_startup.h"

#include <algorithm>
#include <array>

#include "link/channel_ops.h"
#include "link/frame_codec.h"
#include "link/loader_request.h"

namespace kvx {

namespace {

// The rates the loader is looked for at, slowest first.
constexpr std::array<std::uint32_t, 5> kStandardBaudRates = {9600, 19200, 38400, 57600, 115200};
constexpr std::uint8_t kWakeUp[] = {0xDB, 0xDE};
constexpr std::uint8_t kPingCommand = 0x01;
constexpr std::uint8_t kSpeedCommand = 0x03;
constexpr std::int32_t kPingReplyLength = 3;
constexpr std::int32_t kSpeedReplyLength = 7;
constexpr std::uint32_t kStartupByteTimeoutMs = 200;
// The loader needs this long after the wake-up bytes, and after its speed reply, before it
// listens at the new rate.
constexpr std::uint32_t kSettleMs = 300;
constexpr std::size_t kFastestIndex = kStandardBaudRates.size() - 1;

// Start-up frames carry sequence 0 and no header flags.
std::int32_t PutStartupFrame(ProbeLink& link, const std::uint8_t* body, std::uint32_t n) {
  PutLinkHeader(link.requestFrame.data(), n, 0, 0);
  for (std::uint32_t i = 0; i < n; ++i) link.requestFrame[2 + i] = body[i];
  return static_cast<std::int32_t>(n + 2);
}

Reply Exchange(ProbeLink& link, const std::uint8_t* body, std::uint32_t n) {
  const std::int32_t length = PutStartupFrame(link, body, n);
  if (SendFrame(link.channel, length, link.requestFrame.data()) != kOk) {
    return Reply::Failed(kErrWrite);
  }
  return ReceiveFrame(link.channel, static_cast<std::int32_t>(link.replyFrame.size()),
                      link.replyFrame.data(), kStartupByteTimeoutMs);
}

bool PingAnswered(ProbeLink& link) {
  return Exchange(link, &kPingCommand, 1).HasLength(kPingReplyLength);
}

ErrorCode WriteWakeUp(SerialChannel& channel) {
  if (FrameTap* tap = channel.Tap()) tap->RawSent(channel.TickMs(), kWakeUp, sizeof kWakeUp);
  return WriteChannelBytes(channel, sizeof kWakeUp, kWakeUp);
}

// Wakes the loader at `rate` and asks whether it listens there.
bool PingAt(ProbeLink& link, std::uint32_t rate) {
  ErrorCode rc = SetChannelBaudRate(link, rate);
  if (rc == kOk) rc = WriteWakeUp(link.channel);
  DelayMs(link.channel, kSettleMs);
  return rc == kOk && PingAnswered(link);
}

bool RequestSpeed(ProbeLink& link, std::uint32_t rate, std::uint32_t& answeredRate) {
  const std::uint8_t body[] = {
      kSpeedCommand, static_cast<std::uint8_t>(rate >> 24), static_cast<std::uint8_t>(rate >> 16),
      static_cast<std::uint8_t>(rate >> 8), static_cast<std::uint8_t>(rate)};
  if (!Exchange(link, body, sizeof body).HasLength(kSpeedReplyLength)) return false;
  const std::uint8_t* r = link.replyFrame.data();
  answeredRate =
      (std::uint32_t{r[3]} << 24) | (std::uint32_t{r[4]} << 16) | (std::uint32_t{r[5]} << 8) | r[6];
  return true;
}

}  // namespace

ErrorCode ConnectProbeLink(ProbeLink& link, const ChosenPort& port, std::uint32_t requestedRate) {
  link.stopped = false;
  if (ErrorCode rc = OpenSerialChannel(link, port); rc != kOk) return rc;
  if (ErrorCode rc = NegotiateSpeed(link, requestedRate); rc != kOk) {
    CloseSerialChannel(link);
    return rc;
  }
  link.sequence = 0;
  link.connected = true;
  link.headerFlags = 0x10;
  return kOk;
}

ErrorCode NegotiateSpeed(ProbeLink& link, std::uint32_t requestedRate) {
  const std::size_t highest = SetChannelBaudRate(link, kStandardBaudRates[kFastestIndex]) == kOk
                                  ? kFastestIndex
                                  : kFastestIndex - 1;
  const std::uint32_t wanted = std::min(requestedRate, kStandardBaudRates[highest]);
  if (PingAt(link, wanted)) return kOk;

  bool found = false;
  for (std::size_t i = 0; i <= highest && !found && !link.stopped; ++i) {
    found = PingAt(link, kStandardBaudRates[i]);
  }
  if (link.stopped) return kErrStopped;
  if (!found) return kErrNoReply;

  std::uint32_t answeredRate = 0;
  if (!RequestSpeed(link, wanted, answeredRate)) return kErrPort;
  DelayMs(link.channel, kSettleMs);
  // A rate of 0 or one the port refuses leaves no way to reach the loader again.
  if (SetChannelBaudRate(link, answeredRate) != kOk || !PingAnswered(link)) {
    return kStartupRateLost;
  }
  return kOk;
}

}  // namespace kvx
