#pragma once

#include <optional>
#include <string>
#include <vector>

#include "link/serial_port.h"

namespace kvx {

// The COM ports present, in number order, as the serial drivers list them under
// HKLM\HARDWARE\DEVICEMAP\SERIALCOMM: name and device "COM3" (a port name opens as
// \\.\COM3), and the driver's own device ("\Device\Serial0") as the driver. No key (no serial
// driver loaded) gives none.
// Each port's latency timer is the LatencyTimer value its USB adapter's driver keeps beside the
// port's name under the adapter's Device Parameters key (FTDIBUS or USB in the device tree).
std::vector<SerialPortInfo> ListWin32SerialPorts();

// The latency timer of the adapter behind COMn, where its driver keeps one.
std::optional<unsigned> Win32LatencyTimer(const std::string& comName);

}  // namespace kvx
