#include "link/win32/port_name.h"

#include <optional>

#include "link/posix/port_name.h"

namespace kvx {

std::string ResolveWin32PortName(const std::string& name) {
  const std::optional<int> comNumber = ParseComNumber(name);
  return comNumber ? "\\\\.\\COM" + std::to_string(*comNumber) : name;
}

std::string DescribeWin32Port(const std::string& device) {
  const std::optional<int> comNumber = ParseComNumber(device);
  return comNumber ? "COM" + std::to_string(*comNumber) : device;
}

}  // namespace kvx
