#include "link/posix/port_name.h"

#include <algorithm>
#include <cstdlib>
#include <filesystem>

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

std::vector<SerialPortInfo> WithConfiguredPorts(std::vector<SerialPortInfo> present) {
  constexpr int kHighestComNumber = 255;
  std::vector<SerialPortInfo> ports = std::move(present);
  for (int number = 1; number <= kHighestComNumber; ++number) {
    const std::string comName = "COM" + std::to_string(number);
    const std::string variable = ComEnvironmentVariable(comName);
    const std::optional<std::string> device = FromEnvironment(variable);
    if (!device) continue;
    for (SerialPortInfo& port : ports) {
      if (port.comName == comName && port.setBy.empty()) port.comName.clear();
    }
    const auto same = std::find_if(ports.begin(), ports.end(), [&](const SerialPortInfo& port) {
      return port.devicePath == *device && port.setBy.empty();
    });
    SerialPortInfo configured;
    if (same != ports.end()) {
      configured = *same;
    } else {
      configured.name = std::filesystem::path(*device).filename().string();
      configured.devicePath = *device;
    }
    configured.comName = comName;
    configured.setBy = variable;
    ports.push_back(configured);
  }
  std::stable_sort(ports.begin(), ports.end(),
                   [](const SerialPortInfo& a, const SerialPortInfo& b) {
                     const int numberA = ParseComNumber(a.comName).value_or(kHighestComNumber + 1);
                     const int numberB = ParseComNumber(b.comName).value_or(kHighestComNumber + 1);
                     return numberA < numberB;
                   });
  return ports;
}

std::string ComEnvironmentVariable(const std::string& comName) {
  return "KVXSETUP_" + comName;
}

}  // namespace kvx
