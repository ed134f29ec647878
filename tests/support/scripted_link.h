#pragma once

#include <cstdint>
#include <string>
#include <vector>

#include "link/probe_link.h"
#include "scripted_channel.h"

namespace kvx::test {

// The loader's answer to the identity request: the letter, the loader word, firmware word
// 0x0E69 (1.05), logic word 8105 (1.05), then the serial characters.
inline Bytes IdentityReply(const std::string& serial, std::uint16_t loaderWord = 0x0069,
                           std::uint8_t letter = 'd') {
  Bytes reply{letter, std::uint8_t(loaderWord >> 8), std::uint8_t(loaderWord), 0x0E, 0x69, 0x1F,
              0xA9};
  for (char c : serial) reply.push_back(static_cast<std::uint8_t>(c));
  return reply;
}

// A link in the state a successful start-up leaves, over a scripted port in virtual time.
struct ScriptedLink {
  explicit ScriptedLink(std::uint32_t rate = 115200) : link(ch) {
    ch.open = true;
    ch.rate = rate;
    link.connected = true;
    link.baudRate = rate;
    link.headerFlags = 0x10;
  }
  ScriptedLink(const ScriptedLink&) = delete;
  ScriptedLink& operator=(const ScriptedLink&) = delete;

  // The request bytes of every frame written so far, link header removed.
  std::vector<Bytes> RequestsSent() const {
    std::vector<Bytes> requests;
    for (const Bytes& wire : ch.FramesWritten()) {
      const Bytes payload = PayloadOfFrame(wire).value();
      requests.emplace_back(payload.begin() + 2, payload.end());
    }
    return requests;
  }

  ScriptedChannel ch;
  ProbeLink link;
};

}  // namespace kvx::test
