#pragma once

#include <gtest/gtest.h>

#include <cstddef>
#include <cstdint>
#include <string>
#include <vector>

#include "link/probe_link.h"
#include "scripted_channel.h"

namespace kvx::test {

// A link in the state a successful start-up leaves, over a scripted port.
class LoaderTest : public ::testing::Test {
 protected:
  LoaderTest() {
    link.connected = true;
    link.baudRate = 115200;
    link.headerFlags = 0x10;
  }

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
  ProbeLink link{ch};
};

// Names each case of a parameterised test after the `name` field of its parameter.
struct CaseName {
  template <class Case>
  std::string operator()(const ::testing::TestParamInfo<Case>& info) const {
    return info.param.name;
  }
};

// `count` bytes of `fill` behind `head`.
inline Bytes Padded(Bytes head, std::size_t count, std::uint8_t fill = 0x30) {
  head.insert(head.end(), count, fill);
  return head;
}

}  // namespace kvx::test
