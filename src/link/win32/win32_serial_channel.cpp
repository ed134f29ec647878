#include "link/win32/win32_serial_channel.h"

#include <limits>

namespace kvx {
namespace {

constexpr std::uint32_t kInputQueueBytes = 1500;
constexpr std::uint32_t kOutputQueueBytes = 4500;
constexpr std::uint32_t kOpeningRate = 9600;
// A byte read gives up after 10 ms per byte plus 100 ms; a write of n bytes after 10 n + 100.
constexpr CommTimeouts kPortTimeouts{100, 10, 100, 10, 100};

// Raw 8N1 at 9600 baud, no flow control, DTR and RTS held off; the other fields stay as the
// driver had them.
void MakeRawEightNoneOne(CommState& state) {
  state.baudRate = kOpeningRate;
  state.byteSize = 8;
  state.parityKind = kNoParity;
  state.stopBits = kOneStopBit;
  state.binary = true;
  state.parity = false;
  state.outxCtsFlow = false;
  state.outxDsrFlow = false;
  state.dtrControl = kDtrControlDisable;
  state.outX = false;
  state.inX = false;
  state.errorChar = false;
  state.null = false;
  state.rtsControl = kRtsControlDisable;
  state.abortOnError = true;
}

std::string DescribeOpenFailure(const ChosenPort& chosen, std::uint32_t error,
                                const std::string& systemText) {
  const std::string& port = chosen.shownName;
  if (error == kWinErrorFileNotFound || error == kWinErrorPathNotFound) {
    return "Cannot open " + port + ": there is no such port (" + systemText +
           "). Check that the adapter is plugged in and that the port name is right.";
  }
  // Share mode 0 makes a COM port that another program holds answer "access denied".
  if (error == kWinErrorAccessDenied && ParseComNumber(chosen.devicePath)) {
    return "Cannot open " + port + ": it is in use by another program (" + systemText +
           "). Close that program and try again.";
  }
  return "Cannot open " + port + ": " + systemText + ".";
}

}  // namespace

Win32SerialChannel::Win32SerialChannel(Win32System& system) : system_(system) {}

Win32SerialChannel::~Win32SerialChannel() {
  ClosePort();
}

bool Win32SerialChannel::OpenPort(const ChosenPort& chosen) {
  ClosePort();
  lastError_.clear();
  port_ = system_.CreateFileA(chosen.devicePath);
  if (port_ == kNoPortHandle) {
    const std::uint32_t error = system_.LastError();
    lastError_ = DescribeOpenFailure(chosen, error, system_.MessageText(error));
    return false;
  }
  if (ConfigurePort(chosen.shownName)) return true;
  ClosePort();
  return false;
}

bool Win32SerialChannel::ConfigurePort(const std::string& shownName) {
  if (!system_.SetupComm(port_, kInputQueueBytes, kOutputQueueBytes)) {
    return Fail(shownName, "Cannot set the queue sizes of ");
  }
  if (!system_.GetCommProperties(port_)) return Fail(shownName, "Cannot read the properties of ");
  CommState state;
  if (!system_.GetCommState(port_, state)) {
    return Fail(shownName, "Cannot read the line settings of ");
  }
  MakeRawEightNoneOne(state);
  if (!system_.SetCommState(port_, state)) {
    return Fail(shownName, "Cannot set 9600 baud, 8 data bits, no parity, 1 stop bit on ");
  }
  if (!system_.SetCommTimeouts(port_, kPortTimeouts)) {
    return Fail(shownName, "Cannot set the time-outs of ");
  }
  return true;
}

bool Win32SerialChannel::Fail(const std::string& shownName, const std::string& what) {
  lastError_ = what + shownName + ": " + system_.MessageText(system_.LastError()) + ".";
  return false;
}

void Win32SerialChannel::ClosePort() {
  if (port_ == kNoPortHandle) return;
  system_.CloseHandle(port_);
  port_ = kNoPortHandle;
}

bool Win32SerialChannel::ApplyRate(std::uint32_t bitsPerSecond) {
  CommState state;
  if (port_ == kNoPortHandle || !system_.GetCommState(port_, state)) return false;
  state.baudRate = bitsPerSecond;
  return system_.SetCommState(port_, state);
}

long Win32SerialChannel::WriteBlock(const std::uint8_t* bytes, std::size_t n) {
  // One call writes the whole block; a block the call cannot even count is refused whole.
  if (port_ == kNoPortHandle || n > std::numeric_limits<std::uint32_t>::max()) return -1;
  std::uint32_t written = 0;
  if (!system_.WriteFile(port_, bytes, static_cast<std::uint32_t>(n), written)) return -1;
  return static_cast<long>(written);
}

PortRead Win32SerialChannel::ReadOne(std::uint8_t& byte) {
  std::uint32_t got = 0;
  if (port_ == kNoPortHandle || !system_.ReadFile(port_, &byte, 1, got)) return PortRead::kFailed;
  return got == 1 ? PortRead::kByte : PortRead::kTimeout;
}

void Win32SerialChannel::PurgeInput() {
  if (port_ != kNoPortHandle) system_.PurgeComm(port_, kPurgeReceiveClear);
}

bool Win32SerialChannel::ClearErrors() {
  return port_ != kNoPortHandle && system_.ClearCommError(port_);
}

std::uint32_t Win32SerialChannel::TickMs() {
  return system_.GetTickCount();
}

void Win32SerialChannel::SleepMs(std::uint32_t ms) {
  system_.Sleep(ms);
}

}  // namespace kvx
