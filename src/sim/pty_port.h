#pragma once

#include <cstddef>
#include <cstdint>
#include <string>

#include "os/result.h"

namespace kvx::sim {

// The master side of a fresh pseudo-terminal, non-blocking, its line set raw. The host opens
// SlavePath() as if it were a serial port.
class PtyPort {
 public:
  PtyPort() = default;
  ~PtyPort();
  PtyPort(const PtyPort&) = delete;
  PtyPort& operator=(const PtyPort&) = delete;

  // Takes a fresh pseudo-terminal; fails, naming the call that failed, when none can be had.
  Result<void> Open();
  int Fd() const { return master_; }
  // Takes the line away: the host's side hangs up and its device is gone.
  void Close();
  const std::string& SlavePath() const { return slavePath_; }

 private:
  int master_ = -1;
  std::string slavePath_;
};

}  // namespace kvx::sim
