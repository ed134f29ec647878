#include "sim/listen_rate.h"

namespace kvx::sim {

void ListenRate::SwitchAt(std::uint32_t rate, Clock::time_point at) {
  if (rate != 0) pending_ = Pending{rate, at};
}

bool ListenRate::Update(Clock::time_point now, std::uint32_t hostRate) {
  if (!pending_) return false;
  const bool due = now >= pending_->at;
  const bool hostAhead = hostRate == pending_->rate && now + kEarlyTolerance >= pending_->at;
  if (!due && !hostAhead) return false;
  const bool changed = current_ != pending_->rate;
  current_ = pending_->rate;
  pending_.reset();
  return changed;
}

std::optional<Clock::time_point> ListenRate::NextSwitch() const {
  if (!pending_) return std::nullopt;
  return pending_->at;
}

}  // namespace kvx::sim
