#pragma once

#include <chrono>
#include <cstdint>

#include "link/serial_channel.h"

namespace kvx::cli {

// Counts the frame payload bytes crossing the link in both directions (headers included,
// byte stuffing and wake-up bytes not), so a command can report the rate the probe was
// really served at. Every frame is passed on to `next` (the trace), when there is one.
class TransferMeter final : public FrameTap {
 public:
  struct Rate {
    std::uint64_t bytes = 0;
    double seconds = 0;
    double BytesPerSecond() const { return seconds > 0 ? static_cast<double>(bytes) / seconds : 0; }
  };

  explicit TransferMeter(FrameTap* next) : next_(next) {}

  // Starts counting afresh from now.
  void Restart();
  // The bytes counted and the time passed since Restart().
  Rate Measure() const;

  void FrameSent(std::uint32_t tickMs, const std::uint8_t* payload, std::size_t n) override;
  void FrameReceived(std::uint32_t tickMs, const std::uint8_t* payload, std::size_t n) override;
  void RawSent(std::uint32_t tickMs, const std::uint8_t* bytes, std::size_t n) override;
  void ReceiveFailed(std::uint32_t tickMs, ErrorCode why) override;
  void PortOpened(std::uint32_t tickMs, const std::string& note) override;

 private:
  FrameTap* next_;
  std::uint64_t bytes_ = 0;
  std::chrono::steady_clock::time_point start_ = std::chrono::steady_clock::now();
};

}  // namespace kvx::cli
