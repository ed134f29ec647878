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

}  // namespace

ChosenPort ResolveComPort(int comNumber, const PortNameLookup& configured) {
  const std::string comName = "COM" + std::to_string(comNumber);
  if (auto device = FromEnvironment(ComEnvironmentVariable(comName))) {
    return ChosenPort(comName, *device, false);
  }
  if (auto device = FromSettings(comNumber, configured)) return ChosenPort(comName, *device, false);
  return ChosenPort(comName, "/dev/ttyS" + std::to_string(comNumber - 1), true);
}

ChosenPort ResolvePortName(const std::string& name, const PortNameLookup& configured) {
  const std::optional<int> comNumber = ParseComNumber(name);
  if (!comNumber) return ChosenPort(name);
  return ResolveComPort(*comNumber, configured);
}

std::string ComEnvironmentVariable(const std::string& comName) {
  return "KVXSETUP_" + comName;
}

}  // namespace kvx
