#pragma once

#include <cstddef>
#include <cstdint>
#include <deque>
#include <optional>
#include <vector>

#include "sim/listen_rate.h"
#include "sim/loader_engine.h"

namespace kvx::sim {

// How long `bytes` take on a line of `rate` bits per second, 10 bits a byte.
Clock::duration LineTime(std::size_t bytes, std::uint32_t rate);

// Replies waiting for their time to leave. A line sends in order, so a reply never
// overtakes one queued before it, even when it is due earlier.
class OutputQueue {
 public:
  struct Item {
    Clock::time_point due;
    std::vector<std::uint8_t> wire;
    std::size_t written = 0;
    std::uint32_t nextRate = 0;  // to listen at kRateSwitchDelayMs after the reply left
    std::optional<Clock::time_point> started;  // when its first byte was written
  };

  // Queues the answer to a request that arrived at `arrival` on a line of `rate`: held back as
  // its faults say, and with `pace` no earlier than request and reply together take on the
  // line. Nothing is queued when nothing goes out and no rate switch follows.
  void Schedule(const Transmission& transmission, Clock::time_point arrival, std::uint32_t rate,
                bool pace);
  void Push(Clock::time_point due, const std::vector<std::uint8_t>& wire, std::uint32_t nextRate);
  bool Empty() const { return items_.empty(); }
  Item& Front() { return items_.front(); }
  const Item& Front() const { return items_.front(); }
  // Done with the front reply, which has left: a speed reply's rate is listened at
  // kRateSwitchDelayMs after it started.
  void PopSent(ListenRate& rate);
  void Clear() { items_.clear(); }

 private:
  std::deque<Item> items_;
};

}  // namespace kvx::sim
