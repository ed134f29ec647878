#include "link/keep_alive_channel.h"

#include <algorithm>
#include <utility>

namespace kvx {

KeepAliveChannel::KeepAliveChannel(SerialChannel& port, std::function<void()> keepAlive,
                                   std::uint32_t intervalMs)
    : ForwardingChannel(port),
      keepAlive_(std::move(keepAlive)),
      intervalMs_(intervalMs),
      lastKeepAliveMs_(port.TickMs()) {}

long KeepAliveChannel::WriteBlock(const std::uint8_t* bytes, std::size_t n) {
  KeepAliveIfDue();
  return port_.WriteBlock(bytes, n);
}

PortRead KeepAliveChannel::ReadOne(std::uint8_t& byte) {
  KeepAliveIfDue();
  return port_.ReadOne(byte);
}

void KeepAliveChannel::SleepMs(std::uint32_t ms) {
  while (ms > 0) {
    const std::uint32_t slice = std::min(ms, intervalMs_);
    port_.SleepMs(slice);
    ms -= slice;
    KeepAliveIfDue();
  }
}

void KeepAliveChannel::KeepAliveIfDue() {
  const std::uint32_t now = port_.TickMs();
  // Unsigned difference, so the tick's wrap-around does not matter.
  if (now - lastKeepAliveMs_ < intervalMs_) return;
  lastKeepAliveMs_ = now;
  keepAlive_();
}

}  // namespace kvx
