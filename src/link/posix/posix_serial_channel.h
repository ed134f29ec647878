#pragma once

#include <array>
#include <cstddef>
#include <cstdint>
#include <optional>
#include <string>

#include "link/posix/posix_system.h"
#include "link/serial_channel.h"

namespace kvx {

class Deadline;

// The serial port of a POSIX system, over termios (Linux: rates off the B constants use
// termios2, see termios2_record.h).
//
// OpenPort opens the port's device path as OpenPortDevice does; the front end has resolved
// COM names already (see port_name.h).
//
// USB serial adapters hold short replies back until their latency timer runs out, 16 ms by
// default, which the one-exchange-at-a-time protocol pays on every request: where the driver
// has the setting, low latency is switched on while the port is open and put back on close.
// A driver without it, or one that refuses, is no failure; DriverNote() says what it granted.
//
// Blocking: ReadOne waits at most about 110 ms for a byte; WriteBlock at most 10 ms per
// byte plus 100 ms for the port to accept the block; SleepMs sleeps on the monotonic clock.
// Signals do not cut any of them short. A hang-up (the device vanished, the other end of a
// pseudo-terminal closed) fails the port: reads report kFailed and ClearErrors() false until
// the port is closed.
class PosixSerialChannel final : public SerialChannel {
 public:
  PosixSerialChannel();
  explicit PosixSerialChannel(PosixSystem& system);
  ~PosixSerialChannel() override;
  PosixSerialChannel(const PosixSerialChannel&) = delete;
  PosixSerialChannel& operator=(const PosixSerialChannel&) = delete;

  bool OpenPort(const ChosenPort& port) override;
  void ClosePort() override;
  bool ApplyRate(std::uint32_t bitsPerSecond) override;
  long WriteBlock(const std::uint8_t* bytes, std::size_t n) override;
  PortRead ReadOne(std::uint8_t& byte) override;
  void PurgeInput() override;
  bool ClearErrors() override;
  std::uint32_t TickMs() override;
  void SleepMs(std::uint32_t ms) override;
  std::string LastError() const override { return lastError_; }
  std::string DriverNote() const override { return driverNote_; }

 private:
  enum class Readiness { kReady, kTimedOut, kFailed };
  enum class Fill { kFilled, kEmpty, kFailed };

  void AskForLowLatency();
  void PutBackLatency();

  bool TakeBuffered(std::uint8_t& byte);
  Fill FillInput();
  Fill WaitAndFill();
  Readiness WaitFor(short events, const Deadline& deadline);

  PosixSystem& system_;
  int fd_ = -1;
  bool failed_ = false;
  std::string lastError_;
  std::string driverNote_;
  // The driver's serial flags as they were, when low latency was switched on for our time.
  std::optional<int> flagsToPutBack_;

  // What one read() brought in and ReadOne() has not yet handed out.
  std::array<std::uint8_t, 4096> input_{};
  std::size_t inputBegin_ = 0;
  std::size_t inputEnd_ = 0;
};

}  // namespace kvx
