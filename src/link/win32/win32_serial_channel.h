#pragma once

#include <cstddef>
#include <cstdint>
#include <string>

#include "link/serial_channel.h"
#include "link/win32/win32_system.h"

namespace kvx {

// The serial port of Windows, over the Win32 communications calls.
//
// OpenPort opens exactly the device it is given (for COMn that is \\.\COMn) with share mode
// 0, so no other program can hold the port at the same time. Queues of 1500 bytes in and
// 4500 out; 9600 baud, 8N1, binary, no flow control, DTR and RTS off, and abort-on-error,
// so a line error stops reads and writes until ClearErrors().
//
// Blocking: ReadOne waits at most about 110 ms for a byte (100 ms plus 10 ms per byte);
// WriteBlock at most 10 ms per byte plus 100 ms, and reports what the port took by then.
class Win32SerialChannel final : public SerialChannel {
 public:
  explicit Win32SerialChannel(Win32System& system);
  ~Win32SerialChannel() override;
  Win32SerialChannel(const Win32SerialChannel&) = delete;
  Win32SerialChannel& operator=(const Win32SerialChannel&) = delete;

  bool OpenPort(const ChosenPort& chosen) override;
  void ClosePort() override;
  bool ApplyRate(std::uint32_t bitsPerSecond) override;
  long WriteBlock(const std::uint8_t* bytes, std::size_t n) override;
  PortRead ReadOne(std::uint8_t& byte) override;
  void PurgeInput() override;
  bool ClearErrors() override;
  std::uint32_t TickMs() override;
  void SleepMs(std::uint32_t ms) override;
  std::string LastError() const override { return lastError_; }

 private:
  bool ConfigurePort(const std::string& shownName);
  bool Fail(const std::string& shownName, const std::string& what);

  Win32System& system_;
  PortHandle port_ = kNoPortHandle;
  std::string lastError_;
};

}  // namespace kvx
