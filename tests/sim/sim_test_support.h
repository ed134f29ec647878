#pragma once

#include <gtest/gtest.h>

#include <cstdint>
#include <optional>
#include <string>
#include <vector>

#include "link/frame_codec.h"
#include "sim/frame_parser.h"
#include "sim/loader_engine.h"

namespace kvx::sim::testing {

using Bytes = std::vector<std::uint8_t>;

// The wire form of a payload, by the host's own encoder.
inline Bytes Frame(const Bytes& payload) {
  Bytes wire(kMaxEncodedFrame);
  wire.resize(EncodeFrame(payload.data(), payload.size(), wire.data()));
  return wire;
}

// A request payload as the host sends it after start-up: header byte 0 carries the flag
// 0x10, the sequence in bits 7-6 and the length's high bits.
inline Bytes Request(const Bytes& body, std::uint8_t sequence = 0) {
  const std::size_t size = body.size();
  Bytes payload = {static_cast<std::uint8_t>(0x10u | (sequence & 3u) << 6 | size >> 8),
                   static_cast<std::uint8_t>(size)};
  payload.insert(payload.end(), body.begin(), body.end());
  return payload;
}

// Every frame payload a parser finds in `wire`.
inline std::vector<Bytes> ParseFrames(const Bytes& wire) {
  FrameParser parser;
  std::vector<Bytes> frames;
  for (std::uint8_t byte : wire) {
    if (parser.Push(byte) == FrameParser::Event::kFrame) {
      frames.emplace_back(parser.Payload(), parser.Payload() + parser.Size());
    }
  }
  return frames;
}

// Drives a LoaderEngine with whole frames and keeps what it answers.
class EngineHarness {
 public:
  explicit EngineHarness(const SimulatorOptions& options = {}) : engine_(options) {}

  // Feeds raw line bytes; returns every transmission they caused.
  std::vector<Transmission> Feed(const Bytes& wire) {
    std::vector<Transmission> out;
    engine_.Feed(wire.data(), wire.size(), [&out](const Transmission& t) { out.push_back(t); });
    return out;
  }

  // Sends one frame and returns the one transmission it must cause.
  Transmission Exchange(const Bytes& payload) {
    std::vector<Transmission> out = Feed(Frame(payload));
    if (out.size() == 1) return out[0];
    ADD_FAILURE() << "expected one reply, got " << out.size();
    return {};
  }

  // Sends a loader command with the next sequence number; returns the reply bytes after
  // the header (empty when nothing went out).
  Bytes Command(const Bytes& body) {
    const Transmission t = Exchange(Request(body, sequence_++));
    return t.reply.size() < 2 ? Bytes{} : Bytes(t.reply.begin() + 2, t.reply.end());
  }

  LoaderEngine& Engine() { return engine_; }

 private:
  LoaderEngine engine_;
  std::uint8_t sequence_ = 0;
};

inline FaultTrigger Trigger(const std::string& text, std::optional<std::uint8_t> counts = {}) {
  std::string error;
  std::optional<FaultTrigger> trigger = FaultTrigger::Parse(text, counts, error);
  EXPECT_TRUE(trigger) << error;
  return trigger.value_or(FaultTrigger{});
}

inline Bytes Concat(Bytes a, const Bytes& b) {
  a.insert(a.end(), b.begin(), b.end());
  return a;
}

inline Bytes U32(std::uint32_t v) {
  return {static_cast<std::uint8_t>(v >> 24), static_cast<std::uint8_t>(v >> 16),
          static_cast<std::uint8_t>(v >> 8), static_cast<std::uint8_t>(v)};
}

inline Bytes U16(std::uint16_t v) {
  return {static_cast<std::uint8_t>(v >> 8), static_cast<std::uint8_t>(v)};
}

}  // namespace kvx::sim::testing
