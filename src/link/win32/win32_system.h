#pragma once

#include <cstdint>
#include <string>

namespace kvx {

// A handle as the system hands it out; kNoPortHandle is INVALID_HANDLE_VALUE.
using PortHandle = void*;
inline const PortHandle kNoPortHandle =
    reinterpret_cast<PortHandle>(static_cast<std::intptr_t>(-1));

// The Win32 error numbers the backend tells apart.
inline constexpr std::uint32_t kWinErrorFileNotFound = 2;
inline constexpr std::uint32_t kWinErrorPathNotFound = 3;
inline constexpr std::uint32_t kWinErrorAccessDenied = 5;

// The line settings record (DCB), every field of it, so that a read-modify-write can give back
// unchanged what it does not mean to change.
struct CommState {
  std::uint32_t baudRate = 0;
  bool binary = false;
  bool parity = false;
  bool outxCtsFlow = false;
  bool outxDsrFlow = false;
  std::uint8_t dtrControl = 0;
  bool dsrSensitivity = false;
  bool txContinueOnXoff = false;
  bool outX = false;
  bool inX = false;
  bool errorChar = false;
  bool null = false;
  std::uint8_t rtsControl = 0;
  bool abortOnError = false;
  std::uint32_t dummy2 = 0;  // the record's 17 reserved bits
  std::uint16_t reserved = 0;
  std::uint16_t xonLim = 0;
  std::uint16_t xoffLim = 0;
  std::uint8_t byteSize = 0;
  std::uint8_t parityKind = 0;  // NOPARITY, ODDPARITY, ...
  std::uint8_t stopBits = 0;    // ONESTOPBIT, ...
  char xonChar = 0;
  char xoffChar = 0;
  char errorCharValue = 0;
  char eofChar = 0;
  char evtChar = 0;
  std::uint16_t reserved1 = 0;
};

inline constexpr std::uint8_t kNoParity = 0;              // NOPARITY
inline constexpr std::uint8_t kOneStopBit = 0;            // ONESTOPBIT
inline constexpr std::uint8_t kDtrControlDisable = 0;     // DTR_CONTROL_DISABLE
inline constexpr std::uint8_t kRtsControlDisable = 0;     // RTS_CONTROL_DISABLE
inline constexpr std::uint32_t kPurgeReceiveClear = 0x8;  // PURGE_RXCLEAR

// COMMTIMEOUTS, in milliseconds.
struct CommTimeouts {
  std::uint32_t readInterval = 0;
  std::uint32_t readTotalMultiplier = 0;
  std::uint32_t readTotalConstant = 0;
  std::uint32_t writeTotalMultiplier = 0;
  std::uint32_t writeTotalConstant = 0;
};

// Every Win32 call the serial backend makes goes through here, so tests can make any of them
// fail, write short or read nothing, and so the backend's logic builds without <windows.h>.
// Calls mirror their Win32 counterparts: false (or kNoPortHandle) on failure, with the reason
// in LastError().
class Win32System {
 public:
  virtual ~Win32System() = default;

  // CreateFileA for reading and writing, share mode 0, OPEN_EXISTING, synchronous.
  virtual PortHandle CreateFileA(const std::string& name) = 0;
  virtual bool SetupComm(PortHandle port, std::uint32_t inQueue, std::uint32_t outQueue) = 0;
  // Only whether the port answers matters; what it reports is not used.
  virtual bool GetCommProperties(PortHandle port) = 0;
  virtual bool GetCommState(PortHandle port, CommState& state) = 0;
  virtual bool SetCommState(PortHandle port, const CommState& state) = 0;
  virtual bool SetCommTimeouts(PortHandle port, const CommTimeouts& timeouts) = 0;
  virtual bool ReadFile(PortHandle port, std::uint8_t* bytes, std::uint32_t n,
                        std::uint32_t& got) = 0;
  virtual bool WriteFile(PortHandle port, const std::uint8_t* bytes, std::uint32_t n,
                         std::uint32_t& written) = 0;
  // The error flags and status it would report are not used.
  virtual bool ClearCommError(PortHandle port) = 0;
  virtual bool PurgeComm(PortHandle port, std::uint32_t flags) = 0;
  virtual bool CloseHandle(PortHandle port) = 0;
  virtual std::uint32_t GetTickCount() = 0;
  virtual void Sleep(std::uint32_t ms) = 0;

  // GetLastError() of the failed call before it.
  virtual std::uint32_t LastError() = 0;
  // FormatMessageA's text for an error number, without the trailing line break.
  virtual std::string MessageText(std::uint32_t error) = 0;
};

// The operating system itself (Windows builds only).
Win32System& RealWin32System();

}  // namespace kvx
