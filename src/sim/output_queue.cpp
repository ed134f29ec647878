#include "sim/output_queue.h"

#include <algorithm>

namespace kvx::sim {

void OutputQueue::Push(Clock::time_point due, const std::vector<std::uint8_t>& wire,
                       std::uint32_t nextRate) {
  if (!items_.empty()) due = std::max(due, items_.back().due);
  items_.push_back(Item{due, wire, 0, nextRate, std::nullopt});
}

}  // namespace kvx::sim
