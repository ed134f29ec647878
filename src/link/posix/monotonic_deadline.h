#pragma once

#include <cstdint>

#include "link/posix/posix_system.h"

namespace kvx {

// Nanoseconds on CLOCK_MONOTONIC, which no clock adjustment moves.
std::int64_t MonotonicNanoseconds(PosixSystem& system);

// A point in time on CLOCK_MONOTONIC that a wait must not pass.
class Deadline {
 public:
  Deadline(PosixSystem& system, std::int64_t fromNowMs);

  // Milliseconds left for poll(), rounded up so that a poll never ends before the deadline;
  // 0 once it has passed.
  int RemainingPollMs() const;
  timespec AsTimespec() const;

 private:
  PosixSystem& system_;
  std::int64_t atNs_;
};

}  // namespace kvx
