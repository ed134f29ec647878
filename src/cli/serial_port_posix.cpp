#include "cli/serial_port.h"

#include "link/posix/port_name.h"
#include "link/posix/posix_serial_channel.h"

namespace kvx::cli {

std::unique_ptr<SerialChannel> MakeSerialChannel() {
  return std::make_unique<PosixSerialChannel>();
}

// kvxctl reads no settings file: COMn comes from the environment or is the default device.
ChosenPort ChoosePort(const std::string& port) {
  return ResolvePortName(port, {});
}

std::vector<SerialPortInfo> ListPortsPresent() {
  return ListSerialPorts();
}

}  // namespace kvx::cli
