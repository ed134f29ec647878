#include "link/posix/port_name.h"

#include <cstdlib>

namespace kvx {
namespace {

std::optional<std::string> FromEnvironment(const std::string& variable) {
  const char* value = std::getenv(variable.c_str());
  if (value == nullptr || *value == '\0') return std::nullopt;
  return std::string(value);
}

std::optional<std::string> FromSettings(int comNumber, const PortNameLookup& configured) {
  if (!configured) return std::nullopt;
  std::optional<std::string> device = configured(comNumber);
  if (device && device->empty()) return std::nullopt;
  return device;
}

// What a list shows of the device behind a port: a USB adapter's product name.
std::string Hardware(const SerialPortInfo& port) {
  if (!port.usb) return "";
  if (!port.usb->product.empty()) return port.usb->product;
  if (!port.usb->manufacturer.empty()) return port.usb->manufacturer;
  return port.usb->vendorId + ":" + port.usb->productId;
}

std::string Absence(const std::string& comName, const std::vector<SerialPortInfo>& present) {
  const std::string setVariable = "set " + ComEnvironmentVariable(comName) + " to its path";
  if (present.empty()) {
    return "Cannot open " + comName +
           ": no serial port is present. Plug in the probe's serial adapter, or to use a device "
           "that is not listed as a serial port, " +
           setVariable + ".";
  }
  std::string ports;
  for (std::size_t index = 0; index < present.size(); ++index) {
    ports += (index == 0 ? "" : ", ") + std::string("COM") + std::to_string(index + 1) + " (" +
             present[index].devicePath + ")";
  }
  return "Cannot open " + comName + ": " + std::to_string(present.size()) +
         (present.size() == 1 ? " serial port is" : " serial ports are") + " present, " + ports +
         ". To use another device as " + comName + ", " + setVariable + ".";
}

}  // namespace

ChosenPort ResolveComPort(int comNumber, const PortNameLookup& configured,
                          const std::vector<SerialPortInfo>& present) {
  const std::string comName = "COM" + std::to_string(comNumber);
  if (auto device = FromEnvironment(ComEnvironmentVariable(comName))) {
    return ChosenPort(comName, *device, false);
  }
  if (auto device = FromSettings(comNumber, configured)) return ChosenPort(comName, *device, false);
  const auto index = static_cast<std::size_t>(comNumber - 1);
  if (index >= present.size()) return ChosenPort::Absent(comName, Absence(comName, present));
  ChosenPort port(comName, present[index].devicePath, true);
  port.hardware = Hardware(present[index]);
  return port;
}

ChosenPort ResolvePortName(const std::string& name, const PortNameLookup& configured,
                           const std::vector<SerialPortInfo>& present) {
  const std::optional<int> comNumber = ParseComNumber(name);
  if (!comNumber) return ChosenPort(name);
  return ResolveComPort(*comNumber, configured, present);
}

std::string ComEnvironmentVariable(const std::string& comName) {
  return "KVXSETUP_" + comName;
}

}  // namespace kvx
