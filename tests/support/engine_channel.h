#pragma once

#include <cstddef>
#include <cstdint>
#include <deque>
#include <string>

#include "link/serial_channel.h"
#include "sim/listen_rate.h"
#include "sim/loader_engine.h"
#include "sim/output_queue.h"

namespace kvx::test {

// A serial line to the simulator's loader on a virtual clock, so the procedures run against
// the real loader emulation in milliseconds. The line behaves as the simulator's paced
// pseudo-terminal does: a reply is readable once the request and the reply have taken their
// line time (10 bits a byte) and any hold its faults add; bytes sent at another rate than the
// loader listens at are line noise; a speed reply's rate is listened at 300 ms after it left.
// A read that finds nothing moves the clock on by the port's read time-out; pauses are
// virtual too.
class EngineChannel : public SerialChannel {
 public:
  static constexpr std::uint32_t kPortReadTimeoutMs = 110;

  explicit EngineChannel(sim::LoaderEngine& engine, std::uint32_t listenRate)
      : engine_(engine), listenRate_(listenRate) {}

  std::uint32_t ListenRate() const { return listenRate_.Current(); }
  // Bytes that reached the loader at a rate it was not listening at.
  std::uint64_t MismatchedBytes() const { return mismatchedBytes_; }

  bool OpenPort(const ChosenPort& port) override;
  void ClosePort() override;
  bool ApplyRate(std::uint32_t bitsPerSecond) override;
  long WriteBlock(const std::uint8_t* bytes, std::size_t n) override;
  PortRead ReadOne(std::uint8_t& byte) override;
  void PurgeInput() override;
  bool ClearErrors() override { return !unplugged_; }
  std::uint32_t TickMs() override;
  void SleepMs(std::uint32_t ms) override { now_ += std::chrono::milliseconds(ms); }
  std::string LastError() const override { return lastError_; }

 private:
  // Moves the replies due by now onto the host's input.
  void DeliverDue();

  sim::LoaderEngine& engine_;
  sim::ListenRate listenRate_;
  sim::OutputQueue queue_;
  std::deque<std::uint8_t> input_;
  sim::Clock::time_point now_{};
  std::uint32_t hostRate_ = 0;
  bool open_ = false;
  bool unplugged_ = false;
  std::uint64_t mismatchedBytes_ = 0;
  std::string lastError_;
};

}  // namespace kvx::test
