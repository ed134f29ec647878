#pragma once

#include <string>
#include <vector>

#include "link/serial_port.h"

namespace kvx {

// Whether `a` comes before `b` with trailing numbers compared as numbers: ttyS2 before ttyS10.
bool NaturalNameOrder(const std::string& a, const std::string& b);

// The serial ports present, in the order COM1, COM2 and on stand for them: USB adapters first,
// by their /dev/serial/by-id names, which stay the same whatever order they were plugged in,
// then the on-board ports in natural name order (ttyS2 before ttyS10). Read from
// <sysfsRoot>/class/tty. A tty counts as a port when it has a device behind it with a driver
// bound to that device (or, past the kernel's own "serial-base" port and controller devices,
// to the hardware). A port whose `type` attribute reads 0 is left out: that is how the kernel
// shows a legacy ttyS slot with no UART behind it. Virtual terminals, the console and
// pseudo-terminals have no device and are not listed. Never throws: an unreadable tree gives
// fewer ports.
std::vector<SerialPortInfo> ListSerialPorts(const std::string& sysfsRoot = "/sys",
                                            const std::string& devRoot = "/dev");

}  // namespace kvx
