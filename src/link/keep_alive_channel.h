#pragma once

#include <cstdint>
#include <functional>

#include "link/serial_channel.h"

namespace kvx {

// A port that lets its program breathe while it waits. Every call goes to the real port;
// between calls, and between slices of a long sleep, `keepAlive` runs, at most once per
// `intervalMs` of the port's clock. A program whose one thread talks to the probe uses it to
// keep its window painted and answering the desktop during a long flash write.
class KeepAliveChannel final : public SerialChannel {
 public:
  KeepAliveChannel(SerialChannel& port, std::function<void()> keepAlive,
                   std::uint32_t intervalMs = 40);

  bool OpenPort(const ChosenPort& port) override { return port_.OpenPort(port); }
  void ClosePort() override { port_.ClosePort(); }
  bool ApplyRate(std::uint32_t bitsPerSecond) override { return port_.ApplyRate(bitsPerSecond); }
  long WriteBlock(const std::uint8_t* bytes, std::size_t n) override;
  PortRead ReadOne(std::uint8_t& byte) override;
  void PurgeInput() override { port_.PurgeInput(); }
  bool ClearErrors() override { return port_.ClearErrors(); }
  std::uint32_t TickMs() override { return port_.TickMs(); }
  void SleepMs(std::uint32_t ms) override;
  std::string LastError() const override { return port_.LastError(); }

 private:
  void KeepAliveIfDue();

  SerialChannel& port_;
  std::function<void()> keepAlive_;
  std::uint32_t intervalMs_;
  std::uint32_t lastKeepAliveMs_;
};

}  // namespace kvx
