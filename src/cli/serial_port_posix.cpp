#include "cli/serial_port.h"

#include "link/posix/posix_serial_channel.h"

namespace kvx::cli {

std::unique_ptr<SerialChannel> MakeSerialChannel() {
  return std::make_unique<PosixSerialChannel>();
}

// The POSIX port resolves COMn itself, through the environment.
std::string DeviceToOpen(const std::string& port) {
  return port;
}

std::vector<SerialPortInfo> ListPortsPresent() {
  return ListSerialPorts();
}

}  // namespace kvx::cli
