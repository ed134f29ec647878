#pragma once

#include <poll.h>

#include <array>
#include <atomic>
#include <cstddef>
#include <cstdint>
#include <memory>
#include <mutex>
#include <string>
#include <vector>

#include "sim/host_watch.h"
#include "sim/listen_rate.h"
#include "sim/loader_engine.h"
#include "sim/output_queue.h"
#include "sim/pty_port.h"
#include "sim/simulator_options.h"
#include "sim/state_file.h"

namespace kvx::sim {

struct SimulatorCounters {
  EngineCounters engine;
  std::uint64_t repliesWritten = 0;
  // Bytes that arrived while the host's rate differed from the loader's: line noise.
  std::uint64_t mismatchedBytes = 0;
  // Times the last host closed its end; replies waiting for it were lost.
  std::uint64_t hostHangups = 0;
};

// The loader on a pseudo-terminal. The host opens SlavePath() like a serial port.
//
// Bytes are taken as sent at the rate the host last set on its end; while that differs from
// the rate the loader listens at, they are line noise and break any frame in progress.
// Replies leave at once, or with `pace` no earlier than the request and the reply together
// would take on a real line (10 bits a byte). When the host closes its end, or is killed, the
// loader drops the replies it had for it and serves the next opener from the same state; a
// mark for exclusive use the host left on the terminal is cleared (HostWatch).
//
// Run() blocks, waiting in poll(), until Stop(). Every accessor may be called from another
// thread at any time.
class PtySimulator {
 public:
  // A simulator ready to Run(); fails for bad options, an unreadable state file or no
  // pseudo-terminal.
  static Result<std::unique_ptr<PtySimulator>> Start(SimulatorOptions options);
  ~PtySimulator();
  PtySimulator(const PtySimulator&) = delete;
  PtySimulator& operator=(const PtySimulator&) = delete;

  const std::string& SlavePath() const { return port_.SlavePath(); }

  void Run();
  // Makes Run() return soon. Safe to call from a signal handler.
  void Stop();

  std::vector<std::uint8_t> ReadFlash(std::uint32_t address, std::size_t n) const;
  std::string FuseRow(std::size_t row) const;
  bool InLogicIsp() const;
  std::uint32_t ListenRate() const;
  SimulatorCounters Counters() const;
  // Every flash program request carried out so far, in order (LoaderEngine::ProgramLog).
  std::vector<ProgramRecord> ProgramLog() const;
  // Writes flash and logic to the --state file; does nothing without one.
  Result<void> SaveState() const;

 private:
  // What one poll() waits for: the wake pipe, the port and the host's opens and closes.
  struct Wait {
    std::array<pollfd, 3> fds{};
    long timeoutUs = -1;  // -1: until something happens
  };

  explicit PtySimulator(SimulatorOptions options);
  Result<void> Open();
  void ServeOnce();
  Wait PrepareWait();
  void HandlePortEvents(short events);
  long WaitMicroseconds(Clock::time_point now) const;
  void ReadFromHost();
  void Enqueue(const Transmission& transmission, Clock::time_point arrival, std::uint32_t rate);
  void WriteDueReplies(Clock::time_point now);
  void Unplug();
  void HostGone();
  void UpdateRate(Clock::time_point now, std::uint32_t hostRate);
  void DrainWakePipe();

  const SimulatorOptions options_;
  PtyPort port_;
  HostWatch host_;
  int wakeRead_ = -1;
  int wakeWrite_ = -1;
  std::atomic<bool> stopRequested_{false};

  mutable std::mutex mutex_;  // guards everything below
  LoaderEngine engine_;
  kvx::sim::ListenRate rate_;
  OutputQueue queue_;
  bool writeBlocked_ = false;
  SimulatorCounters counters_;
};

}  // namespace kvx::sim
