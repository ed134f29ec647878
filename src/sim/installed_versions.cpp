#include "sim/installed_versions.h"

#include <array>
#include <string>

namespace kvx::sim {

namespace {

constexpr std::array<std::uint8_t, 4> kImageMarker = {0xAA, 0x55, 0x55, 0xAA};
constexpr std::size_t kSignatureDigitsAt = 6;
constexpr std::size_t kSignatureDigits = 4;

// Signature character `index`: 8 bits of the signature, most significant first.
char SignatureCharacter(const std::string& bits, std::size_t index) {
  unsigned value = 0;
  for (std::size_t bit = 0; bit < 8; ++bit) value = value << 1 | (bits[index * 8 + bit] == '1');
  return static_cast<char>(value);
}

}  // namespace

std::uint16_t InstalledFirmwareWord(const FlashModel& flash) {
  const std::vector<std::uint8_t> head = flash.Read(kFirmwareAreaBegin, 6);
  if (!std::equal(kImageMarker.begin(), kImageMarker.end(), head.begin())) return kNoVersionWord;
  return static_cast<std::uint16_t>(head[4] << 8 | head[5]);
}

std::uint16_t InstalledLogicWord(const LogicDevice& logic) {
  unsigned word = 0;
  for (std::size_t i = kSignatureDigitsAt; i < kSignatureDigitsAt + kSignatureDigits; ++i) {
    const char digit = SignatureCharacter(logic.Signature(), i);
    if (digit < '0' || digit > '9') return kNoVersionWord;
    word = word * 10 + static_cast<unsigned>(digit - '0');
  }
  return static_cast<std::uint16_t>(word);
}

}  // namespace kvx::sim
