#include "sim/output_queue.h"

#include <algorithm>

namespace kvx::sim {

Clock::duration LineTime(std::size_t bytes, std::uint32_t rate) {
  return std::chrono::microseconds(std::uint64_t{bytes} * 10'000'000u / rate);
}

void OutputQueue::Schedule(const Transmission& transmission, Clock::time_point arrival,
                           std::uint32_t rate, bool pace) {
  if (transmission.wire.empty() && transmission.nextRate == 0) return;
  Clock::time_point due = arrival + std::chrono::milliseconds(transmission.faults.holdMs);
  if (pace) due += LineTime(transmission.requestWireSize + transmission.wire.size(), rate);
  Push(due, transmission.wire, transmission.nextRate);
}

void OutputQueue::Push(Clock::time_point due, const std::vector<std::uint8_t>& wire,
                       std::uint32_t nextRate) {
  if (!items_.empty()) due = std::max(due, items_.back().due);
  items_.push_back(Item{due, wire, 0, nextRate, std::nullopt});
}

void OutputQueue::PopSent(ListenRate& rate) {
  const Item& item = items_.front();
  rate.SwitchAt(item.nextRate, *item.started + std::chrono::milliseconds(kRateSwitchDelayMs));
  items_.pop_front();
}

}  // namespace kvx::sim
