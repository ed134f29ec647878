#include "sim/version_words.h"

#include <charconv>

namespace kvx::sim {

namespace {

bool IsDigit(char c) {
  return c >= '0' && c <= '9';
}

// "d.dd" to d * 100 + dd.
std::optional<std::uint16_t> ParseDottedVersion(std::string_view text) {
  if (text.size() != 4 || !IsDigit(text[0]) || text[1] != '.' || !IsDigit(text[2]) ||
      !IsDigit(text[3])) {
    return std::nullopt;
  }
  return static_cast<std::uint16_t>((text[0] - '0') * 100 + (text[2] - '0') * 10 + (text[3] - '0'));
}

}  // namespace

std::optional<std::uint16_t> ParseWord(std::string_view text) {
  int base = 10;
  if (text.size() > 2 && text[0] == '0' && (text[1] == 'x' || text[1] == 'X')) {
    base = 16;
    text.remove_prefix(2);
  }
  std::uint16_t value = 0;
  const char* end = text.data() + text.size();
  auto [ptr, ec] = std::from_chars(text.data(), end, value, base);
  if (text.empty() || ec != std::errc() || ptr != end) return std::nullopt;
  return value;
}

std::optional<std::uint16_t> ParseVersionWord(std::string_view text, VersionKind kind) {
  if (text.find('.') == std::string_view::npos) return ParseWord(text);
  const std::optional<std::uint16_t> version = ParseDottedVersion(text);
  if (!version) return std::nullopt;
  if (kind == VersionKind::kFirmware) {
    if (*version > kMaxFirmwareVersion) return std::nullopt;
    return static_cast<std::uint16_t>(kFirmwareWordBase + *version);
  }
  return static_cast<std::uint16_t>(kLogicWordBase + *version);
}

}  // namespace kvx::sim
