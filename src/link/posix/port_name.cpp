#include "link/posix/port_name.h"

#include <cctype>

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

std::optional<std::string> NonEmpty(std::optional<std::string> value) {
  if (value && value->empty()) return std::nullopt;
  return value;
}

}  // namespace

std::optional<int> ParseComNumber(const std::string& name) {
  std::size_t at = 0;
  if (name.compare(0, sizeof kDevicePrefix - 1, kDevicePrefix) == 0) at = sizeof kDevicePrefix - 1;
  if (!StartsWithIgnoringCase(name, at, "COM")) return std::nullopt;
  return ParsePortDigits(name, at + 3);
}

std::string ComEnvironmentVariable(int comNumber) {
  return "KVXSETUP_COM" + std::to_string(comNumber);
}

ResolvedPort ResolvePortName(const std::string& name, const EnvironmentReader& environment,
                             const PortNameLookup& lookup) {
  const std::optional<int> comNumber = ParseComNumber(name);
  if (!comNumber) return ResolvedPort{name, std::nullopt, false};

  if (auto fromEnvironment = NonEmpty(environment(ComEnvironmentVariable(*comNumber).c_str()))) {
    return ResolvedPort{*fromEnvironment, comNumber, false};
  }
  if (lookup) {
    if (auto fromLookup = NonEmpty(lookup(*comNumber))) {
      return ResolvedPort{*fromLookup, comNumber, false};
    }
  }
  return ResolvedPort{"/dev/ttyS" + std::to_string(*comNumber - 1), comNumber, true};
}

std::string DescribePort(const ResolvedPort& port) {
  if (!port.comNumber) return port.path;
  return "COM" + std::to_string(*port.comNumber) + " (" + port.path + ")";
}

}  // namespace kvx
