#include "link/posix/port_name.h"

#include <cctype>
#include <cstdlib>

namespace kvx {
namespace {

constexpr int kHighestComNumber = 255;
constexpr const char kDevicePrefix[] = "\\\\.\\";

bool StartsWithIgnoringCase(const std::string& text, std::size_t at, const char* prefix) {
  for (std::size_t i = 0; prefix[i] != '\0'; ++i) {
    if (at + i >= text.size()) return false;
    const auto c = static_cast<unsigned char>(text[at + i]);
    if (std::toupper(c) != std::toupper(static_cast<unsigned char>(prefix[i]))) return false;
  }
  return true;
}

// Digits without a leading zero, within 1..kHighestComNumber.
std::optional<int> ParsePortDigits(const std::string& text, std::size_t from) {
  if (from >= text.size() || text[from] == '0') return std::nullopt;
  int value = 0;
  for (std::size_t i = from; i < text.size(); ++i) {
    if (!std::isdigit(static_cast<unsigned char>(text[i]))) return std::nullopt;
    value = value * 10 + (text[i] - '0');
    if (value > kHighestComNumber) return std::nullopt;
  }
  return value;
}

// The COM number in "COMn" or "\\.\COMn"; nothing for any other name.
std::optional<int> ParseComNumber(const std::string& name) {
  std::size_t at = 0;
  if (name.compare(0, sizeof kDevicePrefix - 1, kDevicePrefix) == 0) at = sizeof kDevicePrefix - 1;
  if (!StartsWithIgnoringCase(name, at, "COM")) return std::nullopt;
  return ParsePortDigits(name, at + 3);
}

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
