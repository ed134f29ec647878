#pragma once

#include <vector>

#include "link/serial_port.h"

namespace kvx {

// The COM ports present, in number order, as the serial drivers list them under
// HKLM\HARDWARE\DEVICEMAP\SERIALCOMM: name and device "COM3" (a port name opens as
// \\.\COM3), and the driver's own device ("\Device\Serial0") as the driver. No key (no serial
// driver loaded) gives none.
std::vector<SerialPortInfo> ListWin32SerialPorts();

}  // namespace kvx
