#include "link/chosen_port.h"

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

}  // namespace

std::optional<int> ParseComNumber(const std::string& name) {
  std::size_t at = 0;
  if (name.compare(0, sizeof kDevicePrefix - 1, kDevicePrefix) == 0) at = sizeof kDevicePrefix - 1;
  if (!StartsWithIgnoringCase(name, at, "COM")) return std::nullopt;
  return ParsePortDigits(name, at + 3);
}

}  // namespace kvx
