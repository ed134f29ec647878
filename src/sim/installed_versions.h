#pragma once

#include <cstdint>

#include "sim/device_state.h"

namespace kvx::sim {

// What the identity reply reports for a word no valid image carries.
inline constexpr std::uint16_t kNoVersionWord = 0xFFFF;
// The firmware area: the image marker at its start, the image's version word behind it.
inline constexpr std::uint32_t kFirmwareAreaBegin = 0x01040000;
inline constexpr std::uint32_t kFirmwareVersionAddress = kFirmwareAreaBegin + 4;

// The firmware's version word: the 16 bits (big-endian) that a marked image starts with;
// kNoVersionWord without the marker AA 55 55 AA.
std::uint16_t InstalledFirmwareWord(const FlashModel& flash);

// The logic's version word: the four decimal digits at characters 6 to 9 of the user
// signature ("T3952D8105" gives 8105); kNoVersionWord when they are not digits.
std::uint16_t InstalledLogicWord(const LogicDevice& logic);

}  // namespace kvx::sim
