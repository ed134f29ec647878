#pragma once

#include <chrono>
#include <cstdint>
#include <optional>

namespace kvx::sim {

using Clock = std::chrono::steady_clock;

// The rate the loader listens at, and the switch to a new one it has agreed to.
class ListenRate {
 public:
  // The host starts its wait for the switch when the speed reply has arrived, on a clock of
  // whole milliseconds; bytes at the new rate this much before the switch is due are taken
  // as on time.
  static constexpr std::chrono::milliseconds kEarlyTolerance{10};

  explicit ListenRate(std::uint32_t rate) : current_(rate) {}

  std::uint32_t Current() const { return current_; }
  // Listen at `rate` from `at` on; a rate of 0 changes nothing.
  void SwitchAt(std::uint32_t rate, Clock::time_point at);
  // Carries out a switch that is due, or nearly due while the host already talks at the new
  // rate (`hostRate`, 0 when not known). True when the rate changed.
  bool Update(Clock::time_point now, std::uint32_t hostRate);
  std::optional<Clock::time_point> NextSwitch() const;

 private:
  struct Pending {
    std::uint32_t rate;
    Clock::time_point at;
  };

  std::uint32_t current_;
  std::optional<Pending> pending_;
};

}  // namespace kvx::sim
