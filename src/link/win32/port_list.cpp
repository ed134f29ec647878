#include "link/win32/port_list.h"

#include <windows.h>

#include <algorithm>
#include <array>
#include <cstring>
#include <optional>
#include <string>
#include <vector>

#include "link/chosen_port.h"

namespace kvx {
namespace {

// One value of the key: its name is the driver's device, its text data the COM name.
std::optional<SerialPortInfo> ReadPortValue(HKEY key, DWORD index, bool& done) {
  std::array<char, 256> valueName{};
  std::array<char, 256> data{};
  DWORD nameLength = valueName.size();
  DWORD dataLength = data.size() - 1;
  DWORD type = 0;
  const LONG result = RegEnumValueA(key, index, valueName.data(), &nameLength, nullptr, &type,
                                    reinterpret_cast<BYTE*>(data.data()), &dataLength);
  done = result == ERROR_NO_MORE_ITEMS;
  if (result != ERROR_SUCCESS || type != REG_SZ) return std::nullopt;
  const std::string name(data.data());  // the data may or may not hold its own terminator
  if (!ParseComNumber(name)) return std::nullopt;
  SerialPortInfo port;
  port.comName = name;
  port.name = name;
  port.devicePath = name;  // what --port takes
  port.driver.assign(valueName.data(), nameLength);
  return port;
}

// The names of a key's subkeys.
std::vector<std::string> Subkeys(HKEY key) {
  std::vector<std::string> names;
  std::array<char, 256> name{};
  for (DWORD index = 0;; ++index) {
    DWORD length = name.size();
    if (RegEnumKeyExA(key, index, name.data(), &length, nullptr, nullptr, nullptr, nullptr) !=
        ERROR_SUCCESS) {
      break;
    }
    names.emplace_back(name.data(), length);
  }
  return names;
}

// The LatencyTimer of a device instance's "Device Parameters" key when its PortName is
// `comName`.
std::optional<unsigned> LatencyOfInstance(HKEY device, const std::string& instance,
                                          const std::string& comName) {
  const std::string path = instance + "\\Device Parameters";
  std::array<char, 64> portName{};
  DWORD portNameLength = portName.size();
  DWORD latency = 0;
  DWORD latencyLength = sizeof latency;
  if (RegGetValueA(device, path.c_str(), "PortName", RRF_RT_REG_SZ, nullptr, portName.data(),
                   &portNameLength) != ERROR_SUCCESS ||
      lstrcmpiA(portName.data(), comName.c_str()) != 0 ||
      RegGetValueA(device, path.c_str(), "LatencyTimer", RRF_RT_REG_DWORD, nullptr, &latency,
                   &latencyLength) != ERROR_SUCCESS) {
    return std::nullopt;
  }
  return static_cast<unsigned>(latency);
}

// The device tree is Enum\<bus>\<device id>\<instance>; only the buses of USB serial
// adapters are searched.
std::optional<unsigned> LatencyOnBus(const char* bus, const std::string& comName) {
  HKEY busKey = nullptr;
  if (RegOpenKeyExA(HKEY_LOCAL_MACHINE, bus, 0, KEY_READ, &busKey) != ERROR_SUCCESS) {
    return std::nullopt;
  }
  std::optional<unsigned> latency;
  for (const std::string& deviceId : Subkeys(busKey)) {
    HKEY deviceKey = nullptr;
    if (RegOpenKeyExA(busKey, deviceId.c_str(), 0, KEY_READ, &deviceKey) != ERROR_SUCCESS) {
      continue;
    }
    for (const std::string& instance : Subkeys(deviceKey)) {
      latency = LatencyOfInstance(deviceKey, instance, comName);
      if (latency) break;
    }
    RegCloseKey(deviceKey);
    if (latency) break;
  }
  RegCloseKey(busKey);
  return latency;
}

}  // namespace

std::optional<unsigned> Win32LatencyTimer(const std::string& comName) {
  for (const char* bus :
       {"SYSTEM\\CurrentControlSet\\Enum\\FTDIBUS", "SYSTEM\\CurrentControlSet\\Enum\\USB"}) {
    if (auto latency = LatencyOnBus(bus, comName)) return latency;
  }
  return std::nullopt;
}

std::vector<SerialPortInfo> ListWin32SerialPorts() {
  std::vector<SerialPortInfo> ports;
  HKEY key = nullptr;
  if (RegOpenKeyExA(HKEY_LOCAL_MACHINE, "HARDWARE\\DEVICEMAP\\SERIALCOMM", 0, KEY_READ, &key) !=
      ERROR_SUCCESS) {
    return ports;
  }
  bool done = false;
  for (DWORD index = 0; !done; ++index) {
    if (auto port = ReadPortValue(key, index, done)) {
      port->latencyTimerMs = Win32LatencyTimer(port->comName);
      ports.push_back(*port);
    }
  }
  RegCloseKey(key);
  std::sort(ports.begin(), ports.end(), [](const SerialPortInfo& a, const SerialPortInfo& b) {
    return *ParseComNumber(a.name) < *ParseComNumber(b.name);
  });
  return ports;
}

}  // namespace kvx
