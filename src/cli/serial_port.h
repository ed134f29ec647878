#pragma once

#include <memory>
#include <string>
#include <vector>

#include "link/posix/port_list.h"
#include "link/serial_channel.h"

namespace kvx::cli {

// The serial port of the system kvxctl is built for; each platform has its own source file.
std::unique_ptr<SerialChannel> MakeSerialChannel();

// The device to open for the port the user named with --port.
std::string DeviceToOpen(const std::string& port);

// The serial ports present, for `kvxctl ports`.
std::vector<SerialPortInfo> ListPortsPresent();

}  // namespace kvx::cli
