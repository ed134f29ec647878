#pragma once

#include <cstddef>
#include <cstdint>
#include <string>

#include "link/error_code.h"
#include "link/probe_link.h"
#include "link/serial_channel.h"

namespace kvx {

inline constexpr std::uint32_t kInitialBaudRate = 9600;

// Opens the port at 9600 baud; the link is open but not yet connected. The port is kept in
// `link.port` either way. kErrPort when the device cannot be opened or configured (nothing
// stays open), or when no device stands for the choice (ChosenPort::absence says why).
ErrorCode OpenSerialChannel(ProbeLink& link, const ChosenPort& port);
// Closes the port; `connected` is left as it is.
void CloseSerialChannel(ProbeLink& link);
// Closes the port and clears `connected`, but only while connected.
void CloseProbeLink(ProbeLink& link);
// Changes the rate of the open port. kErrPort when the port refuses it (rate 0 always is);
// `baudRate` then keeps the rate still in use.
ErrorCode SetChannelBaudRate(ProbeLink& link, std::uint32_t bitsPerSecond);

// Writes the bytes in one piece. kErrWrite when the write fails or is short; never resends.
ErrorCode WriteChannelBytes(SerialChannel& channel, std::size_t n, const std::uint8_t* bytes);
// Reads one byte. A byte already waiting is returned at once; otherwise line errors are
// cleared and the read repeated until more than `timeoutMs` have passed (kErrTimeout), or
// until the port itself fails (kErrPortState).
ErrorCode ReadChannelByte(SerialChannel& channel, std::uint8_t& byte, std::uint32_t timeoutMs);
// Discards received bytes not yet read.
void PurgeChannelInput(SerialChannel& channel);
// Returns once at least `ms` milliseconds have passed on the channel's clock, or at once when
// the channel is abandoned: no send follows that would need the pause.
void DelayMs(SerialChannel& channel, std::uint32_t ms);

}  // namespace kvx
