#include "link/win32/port_list.h"

#include <windows.h>

#include <algorithm>
#include <array>
#include <optional>

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

}  // namespace

std::vector<SerialPortInfo> ListWin32SerialPorts() {
  std::vector<SerialPortInfo> ports;
  HKEY key = nullptr;
  if (RegOpenKeyExA(HKEY_LOCAL_MACHINE, "HARDWARE\\DEVICEMAP\\SERIALCOMM", 0, KEY_READ, &key) !=
      ERROR_SUCCESS) {
    return ports;
  }
  bool done = false;
  for (DWORD index = 0; !done; ++index) {
    if (auto port = ReadPortValue(key, index, done)) ports.push_back(*port);
  }
  RegCloseKey(key);
  std::sort(ports.begin(), ports.end(), [](const SerialPortInfo& a, const SerialPortInfo& b) {
    return *ParseComNumber(a.name) < *ParseComNumber(b.name);
  });
  return ports;
}

}  // namespace kvx
