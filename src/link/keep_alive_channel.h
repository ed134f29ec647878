#pragma once

#include <cstdint>
#include <functional>

#include "link/serial_channel.h"

namespace kvx {

// A port that lets its program breathe while it waits. Every call goes to the real port;
// between calls, and between slices of a long sleep, `keepAlive` runs, at most once per
// `intervalMs` of the port's clock. A program whose one thread talks to the probe uses it to
// keep its window painted and answering the desktop during a long flash write.
class KeepAliveChannel final : public ForwardingChannel {
 public:
  KeepAliveChannel(SerialChannel& port, std::function<void()> keepAlive,
                   std::uint32_t intervalMs = 40);

  long WriteBlock(const std::uint8_t* bytes, std::size_t n) override;
  PortRead ReadOne(std::uint8_t& byte) override;
  void SleepMs(std::uint32_t ms) override;

 private:
  void KeepAliveIfDue();

  std::function<void()> keepAlive_;
  std::uint32_t intervalMs_;
  std::uint32_t lastKeepAliveMs_;
};

}  // namespace kvx
