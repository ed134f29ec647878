#include "engine_channel.h"

namespace kvx::test {

bool EngineChannel::OpenPort(const ChosenPort& port) {
  if (!port.absence.empty() || unplugged_) {
    lastError_ = port.Description() + ": " + (unplugged_ ? "the line is gone" : port.absence);
    return false;
  }
  open_ = true;
  hostRate_ = 9600;
  return true;
}

void EngineChannel::ClosePort() {
  // What was on its way to a closed port is lost, and so is a frame half received.
  open_ = false;
  input_.clear();
  queue_.Clear();
  engine_.LineNoise();
}

bool EngineChannel::ApplyRate(std::uint32_t bitsPerSecond) {
  if (!open_ || bitsPerSecond == 0) return false;
  hostRate_ = bitsPerSecond;
  return true;
}

long EngineChannel::WriteBlock(const std::uint8_t* bytes, std::size_t n) {
  if (!open_ || unplugged_) return -1;
  DeliverDue();
  if (listenRate_.Update(now_, hostRate_)) engine_.SetListenRate(listenRate_.Current());
  const std::uint32_t rate = listenRate_.Current();
  if (hostRate_ != rate) {
    mismatchedBytes_ += n;
    engine_.LineNoise();
    return static_cast<long>(n);
  }
  engine_.Feed(bytes, n, [&](const sim::Transmission& transmission) {
    if (transmission.faults.unplug) {
      unplugged_ = true;
      queue_.Clear();
      return;
    }
    queue_.Schedule(transmission, now_, rate, true);
  });
  return static_cast<long>(n);
}

PortRead EngineChannel::ReadOne(std::uint8_t& byte) {
  if (unplugged_) return PortRead::kFailed;
  const sim::Clock::time_point deadline = now_ + std::chrono::milliseconds(kPortReadTimeoutMs);
  DeliverDue();
  while (input_.empty() && !queue_.Empty() && queue_.Front().due <= deadline) {
    now_ = std::max(now_, queue_.Front().due);
    DeliverDue();
  }
  if (input_.empty()) {
    now_ = deadline;
    return PortRead::kTimeout;
  }
  byte = input_.front();
  input_.pop_front();
  return PortRead::kByte;
}

void EngineChannel::PurgeInput() {
  DeliverDue();
  input_.clear();
}

std::uint32_t EngineChannel::TickMs() {
  const auto ms = std::chrono::duration_cast<std::chrono::milliseconds>(now_.time_since_epoch());
  return static_cast<std::uint32_t>(ms.count());
}

void EngineChannel::DeliverDue() {
  while (!queue_.Empty() && queue_.Front().due <= now_) {
    sim::OutputQueue::Item& item = queue_.Front();
    item.started = item.due;
    input_.insert(input_.end(), item.wire.begin(), item.wire.end());
    queue_.PopSent(listenRate_);
  }
  if (listenRate_.Update(now_, 0)) engine_.SetListenRate(listenRate_.Current());
}

}  // namespace kvx::test
