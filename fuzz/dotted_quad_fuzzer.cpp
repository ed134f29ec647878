// Feeds arbitrary text to the dotted-quad parser: every result is either "not an address" or
// an address that, written out again, parses to itself; and the text is a dotted quad exactly
// when it parses, or is the one address that parses to the error value.

#include <cstddef>
#include <cstdint>
#include <cstdlib>
#include <string>

#include "setup/dotted_quad.h"

namespace {

std::string FormatDottedQuad(std::uint32_t address) {
  return std::to_string(address >> 24) + '.' + std::to_string((address >> 16) & 0xFF) + '.' +
         std::to_string((address >> 8) & 0xFF) + '.' + std::to_string(address & 0xFF);
}

}  // namespace

extern "C" int LLVMFuzzerTestOneInput(const std::uint8_t* data, std::size_t size) {
  const std::string text(reinterpret_cast<const char*>(data), size);
  const std::int32_t value = kvx::ParseDottedQuad(text);
  const bool allOnes = text == FormatDottedQuad(0xFFFFFFFFu);
  if (kvx::IsDottedQuad(text) != (value != kvx::kNotADottedQuad || allOnes)) std::abort();
  if (value == kvx::kNotADottedQuad) return 0;
  const std::string formatted = FormatDottedQuad(static_cast<std::uint32_t>(value));
  if (kvx::ParseDottedQuad(formatted) != value) std::abort();
  return 0;
}
