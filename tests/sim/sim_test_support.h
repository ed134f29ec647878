#pragma once

#include <gtest/gtest.h>

#include <cstdint>
#include <initializer_list>
#include <optional>
#include <string>
#include <vector>

#include "scripted_channel.h"
#include "sim/loader_engine.h"
#include "simulated_probe.h"

namespace kvx::sim::testing {

using Bytes = std::vector<std::uint8_t>;
using kvx::test::Cat;
using kvx::test::Text;

// A start-up message, which the loader answers with the same frame.
const Bytes kPing = {0x10, 0x02, 0x00, 0x01, 0x01, 0x10, 0x03, 0x00};

inline Bytes U16(std::size_t v) {
  return {static_cast<std::uint8_t>(v >> 8), static_cast<std::uint8_t>(v)};
}

inline Bytes U32(std::uint32_t v) {
  return Cat({U16(v >> 16), U16(v & 0xFFFF)});
}

// A request payload as the host sends it after start-up: flag 0x10, the sequence in bits 7-6
// and the length's high bits in byte 0.
inline Bytes Request(const Bytes& body, std::uint8_t sequence = 0) {
  const std::size_t n = body.size();
  return Cat({{static_cast<std::uint8_t>(0x10u | (sequence & 3u) << 6 | n >> 8),
               static_cast<std::uint8_t>(n)},
              body});
}

inline Bytes Erase(std::uint32_t address) {
  return Cat({{'g'}, U32(address)});
}

inline Bytes Program(std::uint32_t address, const Bytes& data) {
  return Cat({{'h'}, U32(address), U16(data.size()), data});
}

inline Bytes Read(std::uint32_t address, std::size_t n) {
  return Cat({{'e'}, U32(address), U16(n)});
}

using kvx::test::Frame;
using kvx::test::Trigger;

// Drives a LoaderEngine with line bytes and keeps what it answers.
struct Harness {
  explicit Harness(const SimulatorOptions& options = {}) : engine(options) {}
  std::vector<Transmission> Feed(const Bytes& wire) {
    std::vector<Transmission> out;
    engine.Feed(wire.data(), wire.size(), [&out](const Transmission& t) { out.push_back(t); });
    return out;
  }
  Transmission Exchange(const Bytes& payload) { return Feed(Frame(payload)).at(0); }
  // Sends a command with the next sequence number; the reply after its header, empty when
  // nothing went out. Every reply's length field must match what it carries.
  Bytes Command(const Bytes& body) {
    const Transmission t = Exchange(Request(body, sequence++));
    if (t.wire.empty()) return {};
    EXPECT_EQ((t.reply[0] & 7u) << 8 | t.reply[1], t.reply.size() - 2);
    return Bytes(t.reply.begin() + 2, t.reply.end());
  }
  LoaderEngine engine;
  std::uint8_t sequence = 0;
};

}  // namespace kvx::sim::testing
