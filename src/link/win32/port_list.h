#pragma once

#include <string>
#include <vector>

namespace kvx {

struct Win32PortInfo {
  std::string name;        // e.g. "COM3"
  std::string device;      // what to open, e.g. "\\.\COM3"
  std::string kernelName;  // the driver's device, e.g. "\Device\Serial0" or "\Device\VCP0"
};

// The COM ports present, in number order, as the serial drivers list them under
// HKLM\HARDWARE\DEVICEMAP\SERIALCOMM. No key (no serial driver loaded) gives none.
std::vector<Win32PortInfo> ListWin32SerialPorts();

}  // namespace kvx
