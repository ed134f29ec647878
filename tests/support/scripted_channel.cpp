#include "scripted_channel.h"

#include "link/frame_codec.h"

namespace kvx::test {

Bytes Frame(const Bytes& payload) {
  Bytes wire(kMaxEncodedFrame);
  wire.resize(EncodeFrame(payload.data(), payload.size(), wire.data()));
  return wire;
}

namespace {

bool IsFrame(const Bytes& bytes) {
  return bytes.size() >= 2 && bytes[0] == kDle && bytes[1] == kStx;
}

}  // namespace

void ScriptedChannel::ReplyFrame(const Bytes& payload) {
  replies_.push_back(Frame(payload));
}

void ScriptedChannel::FeedFrame(const Bytes& payload) {
  Feed(Frame(payload));
}

void ScriptedChannel::ReplyLoader(const Bytes& bytes) {
  Bytes payload{static_cast<std::uint8_t>((bytes.size() >> 8) & 7),
                static_cast<std::uint8_t>(bytes.size() & 0xFF)};
  payload.insert(payload.end(), bytes.begin(), bytes.end());
  ReplyFrame(payload);
}

void ScriptedChannel::ReplyNothing() {
  replies_.push_back(std::nullopt);
}

void ScriptedChannel::Feed(const Bytes& wire, std::uint32_t delayMs) {
  for (std::uint8_t byte : wire) input_.push_back({now + delayMs, byte});
}

std::vector<Bytes> ScriptedChannel::FramesWritten() const {
  std::vector<Bytes> frames;
  for (const Write& write : writes)
    if (IsFrame(write.bytes)) frames.push_back(write.bytes);
  return frames;
}

bool ScriptedChannel::OpenPort(const ChosenPort&) {
  if (failOpen) return false;
  open = true;
  rate = 9600;
  return true;
}

void ScriptedChannel::ClosePort() {
  if (open) ++closes;
  open = false;
}

bool ScriptedChannel::ApplyRate(std::uint32_t bitsPerSecond) {
  if (refusedRates.count(bitsPerSecond) != 0) return false;
  rate = bitsPerSecond;
  return true;
}

long ScriptedChannel::WriteBlock(const std::uint8_t* bytes, std::size_t n) {
  if (failWrites > 0) {
    --failWrites;
    return -1;
  }
  Write write{now, rate, Bytes(bytes, bytes + n)};
  long accepted = static_cast<long>(n);
  if (shortWrites > 0) {
    --shortWrites;
    accepted = static_cast<long>(n) - 1;
  }
  writes.push_back(write);
  if (IsFrame(write.bytes) && !replies_.empty()) {
    if (replies_.front()) Feed(*replies_.front());
    replies_.pop_front();
  }
  if (onWrite) onWrite(*this, write);
  return accepted;
}

PortRead ScriptedChannel::ReadOne(std::uint8_t& byte) {
  if (failReads > 0) {
    --failReads;
    return PortRead::kFailed;
  }
  if (!input_.empty() && input_.front().atMs <= now + readTimeoutMs) {
    if (input_.front().atMs > now) now = input_.front().atMs;
    byte = input_.front().byte;
    input_.pop_front();
    return PortRead::kByte;
  }
  now += readTimeoutMs;
  return PortRead::kTimeout;
}

void ScriptedChannel::PurgeInput() {
  ++purges;
  while (!input_.empty() && input_.front().atMs <= now) input_.pop_front();
}

std::optional<Bytes> PayloadOfFrame(const Bytes& wire) {
  if (!IsFrame(wire)) return std::nullopt;
  Bytes payload;
  std::size_t at = 2;
  while (at + 1 < wire.size()) {
    if (wire[at] != kDle) {
      payload.push_back(wire[at++]);
    } else if (wire[at + 1] == kDle) {
      payload.push_back(kDle);
      at += 2;
    } else if (wire[at + 1] == kEtx) {
      return payload;
    } else {
      return std::nullopt;
    }
  }
  return std::nullopt;
}

}  // namespace kvx::test
