#pragma once

#include <memory>
#include <optional>
#include <string>
#include <vector>

#include "link/chosen_port.h"
#include "link/posix/port_list.h"
#include "link/serial_channel.h"

namespace kvx::cli {

// The serial port of the system kvxctl is built for; each platform has its own source file.
std::unique_ptr<SerialChannel> MakeSerialChannel();

// The port the user named with --port (COMn or a device), resolved as this system names
// its ports.
ChosenPort ChoosePort(const std::string& port);

// The ports a --port value names: itself, or the devices a shell-style pattern such as
// /dev/ttyUSB* matches, in order. Nothing, with `problem` set, for a pattern matching none.
std::optional<std::vector<std::string>> ExpandPortPattern(const std::string& given,
                                                          std::string& problem);

// The serial ports present, for `kvxctl ports`.
std::vector<SerialPortInfo> ListPortsPresent();

}  // namespace kvx::cli
