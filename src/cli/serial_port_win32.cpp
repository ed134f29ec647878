#include "cli/serial_port.h"

#include "link/win32/port_list.h"
#include "link/win32/port_name.h"
#include "link/win32/win32_serial_channel.h"

namespace kvx::cli {

std::unique_ptr<SerialChannel> MakeSerialChannel() {
  return std::make_unique<Win32SerialChannel>(RealWin32System());
}

ChosenPort ChoosePort(const std::string& port) {
  return ResolveWin32PortName(port);
}

std::vector<SerialPortInfo> ListPortsPresent() {
  return ListWin32SerialPorts();
}

}  // namespace kvx::cli
