#include "link/channel_ops.h"

namespace kvx {

ErrorCode OpenSerialChannel(ProbeLink& link, const ChosenPort& port) {
  link.port = port;
  if (RefusedByStop(link)) return kErrStopped;
  if (port.devicePath.empty() || !link.channel.OpenPort(port)) return kErrPort;
  link.baudRate = kInitialBaudRate;
  if (FrameTap* tap = link.channel.Tap()) {
    if (const std::string note = link.channel.DriverNote(); !note.empty()) {
      tap->PortOpened(link.channel.TickMs(), note);
    }
  }
  return kOk;
}

void CloseSerialChannel(ProbeLink& link) {
  link.channel.ClosePort();
}

void CloseProbeLink(ProbeLink& link) {
  if (!link.connected) return;
  CloseSerialChannel(link);
  link.connected = false;
}

ErrorCode SetChannelBaudRate(ProbeLink& link, std::uint32_t bitsPerSecond) {
  // A zero rate would later divide the reply time-out by zero; no port runs at it anyway.
  if (bitsPerSecond == 0 || !link.channel.ApplyRate(bitsPerSecond)) return kErrPort;
  link.baudRate = bitsPerSecond;
  return kOk;
}

ErrorCode WriteChannelBytes(SerialChannel& channel, std::size_t n, const std::uint8_t* bytes) {
  const long written = channel.WriteBlock(bytes, n);
  if (written < 0) {
    channel.ClearErrors();
    return kErrWrite;
  }
  return static_cast<std::size_t>(written) == n ? kOk : kErrWrite;
}

ErrorCode ReadChannelByte(SerialChannel& channel, std::uint8_t& byte, std::uint32_t timeoutMs) {
  if (channel.ReadOne(byte) == PortRead::kByte) return kOk;
  const std::uint32_t start = channel.TickMs();
  for (;;) {
    // A line error blocks the port until cleared; clearing it fails only on a dead port.
    if (!channel.ClearErrors()) return kErrPortState;
    if (static_cast<std::uint32_t>(channel.TickMs() - start) > timeoutMs) return kErrTimeout;
    if (channel.ReadOne(byte) == PortRead::kByte) return kOk;
  }
}

void PurgeChannelInput(SerialChannel& channel) {
  channel.PurgeInput();
}

void DelayMs(SerialChannel& channel, std::uint32_t ms) {
  const std::uint32_t start = channel.TickMs();
  for (;;) {
    const std::uint32_t elapsed = channel.TickMs() - start;
    if (elapsed >= ms || channel.Abandoned()) return;
    channel.SleepMs(ms - elapsed);
  }
}

}  // namespace kvx
