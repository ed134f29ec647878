#include "loader/version_text.h"

namespace kvx {

namespace {

// Versions are shown as one digit, a point and two digits, so only 1 to 255 fit the display.
constexpr VersionNumber kHighestShownVersion = 255;
constexpr std::size_t kMacSerialCharacters = 6;

bool IsShownVersion(VersionNumber value) {
  return value != 0 && value <= kHighestShownVersion;
}

char Digit(unsigned value) {
  return static_cast<char>('0' + value % 10);
}

}  // namespace

std::string FormatVersion(VersionNumber value) {
  if (!IsShownVersion(value)) return "unknown";
  return {Digit(value / 100u), '.', Digit(value / 10u), Digit(value)};
}

std::string FormatVersionDigits(VersionNumber value) {
  if (!IsShownVersion(value)) return "000";
  return {Digit(value / 100u), Digit(value / 10u), Digit(value)};
}

std::string MakeMacAddressText(const std::string& serialNumber) {
  return "02B7E9" + serialNumber.substr(0, kMacSerialCharacters);
}

bool IsMacAddressText(const std::string& text) {
  constexpr std::size_t kMacTextLength = 12;
  return text.size() == kMacTextLength &&
         text.find_first_not_of("0123456789ABCDEFabcdef") == std::string::npos;
}

}  // namespace kvx
