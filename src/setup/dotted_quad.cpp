#include "setup/dotted_quad.h"

#include <cstddef>
#include <optional>

namespace kvx {

namespace {

constexpr int kPartCount = 4;
constexpr int kMaxDigits = 3;
constexpr std::uint32_t kMaxPartValue = 255;

bool IsDecimalDigit(char c) {
  return c >= '0' && c <= '9';
}

std::optional<std::uint32_t> ReadDottedQuad(const std::string& text) {
  std::uint32_t value = 0;
  int parts = 0;
  std::size_t at = 0;
  for (;;) {
    std::uint32_t number = 0;
    int digits = 0;
    for (; at < text.size() && IsDecimalDigit(text[at]); ++at) {
      if (++digits > kMaxDigits) return std::nullopt;
      number = number * 10 + static_cast<std::uint32_t>(text[at] - '0');
    }
    if (number > kMaxPartValue) return std::nullopt;
    value = value * 256 + number;
    ++parts;
    if (at == text.size()) {
      if (parts != kPartCount) return std::nullopt;
      return value;
    }
    if (text[at] != '.' || parts == kPartCount) return std::nullopt;
    ++at;
  }
}

}  // namespace

std::int32_t ParseDottedQuad(const std::string& text) {
  const std::optional<std::uint32_t> address = ReadDottedQuad(text);
  return address ? static_cast<std::int32_t>(*address) : kNotADottedQuad;
}

bool IsDottedQuad(const std::string& text) {
  return ReadDottedQuad(text).has_value();
}

}  // namespace kvx
