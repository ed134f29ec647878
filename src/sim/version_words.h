#pragma once

#include <cstdint>
#include <optional>
#include <string_view>

namespace kvx::sim {

// The identity reply carries the firmware version v as the word 0x0E00 + v (0 to 255) and
// the logic version v as the word 8000 + v (0 to 999).
inline constexpr std::uint16_t kFirmwareWordBase = 0x0E00;
inline constexpr std::uint16_t kLogicWordBase = 8000;
inline constexpr std::uint16_t kMaxFirmwareVersion = 255;
inline constexpr std::uint16_t kMaxLogicVersion = 999;

enum class VersionKind { kFirmware, kLogic };

// A number as written on the command line: decimal, or hexadecimal after "0x"; 0 to 0xFFFF.
std::optional<std::uint16_t> ParseWord(std::string_view text);

// A version word for the identity reply, from either form:
//   "d.dd"  a version as the host shows it ("1.05" is 105), encoded for `kind`;
//   a word  taken as it stands (ParseWord), so "0x0E69", "0xCE69" or "8105" reach the host
//           raw, out-of-range words included.
std::optional<std::uint16_t> ParseVersionWord(std::string_view text, VersionKind kind);

}  // namespace kvx::sim
