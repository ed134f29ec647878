#pragma once

#include <cstddef>
#include <cstdint>
#include <string>

#include "link/chosen_port.h"
#include "link/error_code.h"

namespace kvx {

// Outcome of one read of the port.
enum class PortRead {
  kByte,     // one byte was delivered
  kTimeout,  // the port's own read time-out (about 110 ms) passed without a byte
  kFailed,   // a line error or a failed port; ClearErrors() tells which
};

// Watches the frames that cross the link, for tracing. Payloads are the unstuffed frame
// contents; raw bytes are those written outside any frame (the wake-up bytes). A receive
// that yields no frame reports why, so a trace shows what each retry answered.
class FrameTap {
 public:
  virtual ~FrameTap() = default;
  virtual void FrameSent(std::uint32_t tickMs, const std::uint8_t* payload, std::size_t n) = 0;
  virtual void FrameReceived(std::uint32_t tickMs, const std::uint8_t* payload, std::size_t n) = 0;
  virtual void RawSent(std::uint32_t tickMs, const std::uint8_t* bytes, std::size_t n) = 0;
  virtual void ReceiveFailed(std::uint32_t tickMs, ErrorCode why) = 0;
  // What the port's driver granted when the port was opened (SerialChannel::DriverNote); of
  // no interest to a tap that only counts.
  virtual void PortOpened(std::uint32_t /*tickMs*/, const std::string& /*note*/) {}
};

// The platform's serial port and millisecond clock: the one seam between the probe protocol
// and the operating system. Every call blocks the caller's thread until done.
//
// Backends: the POSIX termios port, and in tests a scripted in-memory port on virtual time.
class SerialChannel {
 public:
  virtual ~SerialChannel() = default;

  // Opens the port's device exclusively with raw 8N1 line settings at 9600 baud, no flow
  // control, DTR and RTS inactive. On failure nothing stays open and LastError() says why,
  // naming the port as the user knows it.
  virtual bool OpenPort(const ChosenPort& port) = 0;
  // Closes the port if open; harmless otherwise.
  virtual void ClosePort() = 0;
  // Applies a new rate to the open port; false (and the old rate kept) when refused.
  virtual bool ApplyRate(std::uint32_t bitsPerSecond) = 0;
  // Writes the whole block in one piece within 10 ms per byte plus 100 ms; returns the
  // number of bytes the port accepted, or -1 when the write failed.
  virtual long WriteBlock(const std::uint8_t* bytes, std::size_t n) = 0;
  // Reads one byte, giving up after the port's read time-out of about 110 ms.
  virtual PortRead ReadOne(std::uint8_t& byte) = 0;
  // Discards every byte received and not yet read; output is left alone.
  virtual void PurgeInput() = 0;
  // Clears the port's line-error state; false when the port itself has failed.
  virtual bool ClearErrors() = 0;

  // Milliseconds from an arbitrary start; wraps around at 2^32.
  virtual std::uint32_t TickMs() = 0;
  // Lets at least `ms` milliseconds pass.
  virtual void SleepMs(std::uint32_t ms) = 0;
  // Whether the program has given up on the probe: nothing will be sent any more, so a pause
  // that only makes room before the next send need not last.
  virtual bool Abandoned() const { return false; }

  // Why the last OpenPort() failed, in words for the user.
  virtual std::string LastError() const = 0;
  // What the driver granted of what the last OpenPort() asked beyond the line settings (low
  // latency, where it has such a setting), in words; empty when there is nothing to say.
  virtual std::string DriverNote() const { return ""; }

  void SetTap(FrameTap* tap) { tap_ = tap; }
  FrameTap* Tap() const { return tap_; }

 private:
  FrameTap* tap_ = nullptr;
};

// A port that passes every call on to another; a port that changes some of them derives
// from it and overrides only those.
class ForwardingChannel : public SerialChannel {
 public:
  explicit ForwardingChannel(SerialChannel& port) : port_(port) {}

  bool OpenPort(const ChosenPort& port) override { return port_.OpenPort(port); }
  void ClosePort() override { port_.ClosePort(); }
  bool ApplyRate(std::uint32_t bitsPerSecond) override { return port_.ApplyRate(bitsPerSecond); }
  long WriteBlock(const std::uint8_t* bytes, std::size_t n) override {
    return port_.WriteBlock(bytes, n);
  }
  PortRead ReadOne(std::uint8_t& byte) override { return port_.ReadOne(byte); }
  void PurgeInput() override { port_.PurgeInput(); }
  bool ClearErrors() override { return port_.ClearErrors(); }
  std::uint32_t TickMs() override { return port_.TickMs(); }
  void SleepMs(std::uint32_t ms) override { port_.SleepMs(ms); }
  bool Abandoned() const override { return port_.Abandoned(); }
  std::string LastError() const override { return port_.LastError(); }
  std::string DriverNote() const override { return port_.DriverNote(); }

 protected:
  SerialChannel& port_;
};

}  // namespace kvx
