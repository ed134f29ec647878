#pragma once

#include <cstdint>
#include <vector>

#include "link/probe_link.h"
#include "scripted_channel.h"

namespace kvx::test {

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
