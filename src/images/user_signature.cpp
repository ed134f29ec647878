#include "images/user_signature.h"

#include <bitset>
#include <cstddef>

#include "loader/logic_commands.h"
#include "loader/version_text.h"

namespace kvx {

namespace {

constexpr std::size_t kBitsPerByte = 8;
constexpr std::size_t kUserSignatureBytes = kUserSignatureCharacters / kBitsPerByte;

}  // namespace

std::string MakeUserSignatureText(VersionNumber newestLogic) {
  return "T3952D8" + FormatVersionDigits(newestLogic);
}

std::string EncodeUserSignature(const std::string& signatureText) {
  std::string bits;
  for (std::size_t i = 0; i < kUserSignatureBytes; ++i) {
    const unsigned char byte =
        i < signatureText.size() ? static_cast<unsigned char>(signatureText[i]) : 0;
    bits += std::bitset<kBitsPerByte>(byte).to_string();
  }
  return bits;
}

std::string DecodeUserSignature(const std::string& bits) {
  std::string text;
  for (std::size_t at = 0; at + kBitsPerByte <= bits.size(); at += kBitsPerByte) {
    unsigned byte = 0;
    for (std::size_t bit = at; bit < at + kBitsPerByte; ++bit)
      byte = byte << 1 | (bits[bit] == '1');
    text.push_back(static_cast<char>(byte));
  }
  return text.substr(0, text.find_last_not_of('\0') + 1);
}

}  // namespace kvx
