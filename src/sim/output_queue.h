#pragma once

#include <cstddef>
#include <cstdint>
#include <deque>
#include <optional>
#include <vector>

#include "sim/listen_rate.h"

namespace kvx::sim {

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

  void Push(Clock::time_point due, const std::vector<std::uint8_t>& wire, std::uint32_t nextRate);
  bool Empty() const { return items_.empty(); }
  Item& Front() { return items_.front(); }
  const Item& Front() const { return items_.front(); }
  void PopFront() { items_.pop_front(); }
  void Clear() { items_.clear(); }

 private:
  std::deque<Item> items_;
};

}  // namespace kvx::sim
