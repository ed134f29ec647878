#include "link/posix/monotonic_deadline.h"

#include <algorithm>
#include <climits>

namespace kvx {
namespace {

constexpr std::int64_t kNsPerMs = 1'000'000;
constexpr std::int64_t kNsPerSecond = 1'000'000'000;

}  // namespace

std::int64_t MonotonicNanoseconds(PosixSystem& system) {
  timespec now{};
  if (system.ClockGetTime(now) != 0) return 0;
  return static_cast<std::int64_t>(now.tv_sec) * kNsPerSecond + now.tv_nsec;
}

Deadline::Deadline(PosixSystem& system, std::int64_t fromNowMs)
    : system_(system), atNs_(MonotonicNanoseconds(system) + fromNowMs * kNsPerMs) {}

int Deadline::RemainingPollMs() const {
  const std::int64_t leftNs = atNs_ - MonotonicNanoseconds(system_);
  if (leftNs <= 0) return 0;
  const std::int64_t leftMs = (leftNs + kNsPerMs - 1) / kNsPerMs;
  return static_cast<int>(std::min<std::int64_t>(leftMs, INT_MAX));
}

timespec Deadline::AsTimespec() const {
  timespec at{};
  at.tv_sec = static_cast<time_t>(atNs_ / kNsPerSecond);
  at.tv_nsec = static_cast<long>(atNs_ % kNsPerSecond);
  return at;
}

}  // namespace kvx
