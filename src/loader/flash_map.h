#pragma once

#include <array>
#include <cstddef>
#include <cstdint>

namespace kvx {

// The probe's flash as far as this program addresses it: six sectors, known by their start
// addresses. Sector sizes are the loader's business; nothing below the setup sector is ever
// erased, since the loader itself lives there.
inline constexpr std::uint32_t kSetupSector = 0x01008000;
inline constexpr std::uint32_t kSpareSectorLow = 0x0100C000;
inline constexpr std::uint32_t kSpareSectorHigh = 0x01010000;
inline constexpr std::uint32_t kFirmwareSector0 = 0x01040000;
inline constexpr std::uint32_t kFirmwareSector1 = 0x01080000;
inline constexpr std::uint32_t kFirmwareSector2 = 0x010C0000;

// Every sector the program may erase, lowest first: the order in which erase-all walks them.
inline constexpr std::array<std::uint32_t, 6> kErasableSectors = {
    kSetupSector,     kSpareSectorLow,  kSpareSectorHigh,
    kFirmwareSector0, kFirmwareSector1, kFirmwareSector2,
};

// The network setup block sits at the start of its own sector.
inline constexpr std::uint32_t kSetupBlockAddress = kSetupSector;
inline constexpr std::size_t kSetupBlockSize = 104;

// The firmware image fills the three sectors from the firmware area start upwards.
inline constexpr std::uint32_t kFirmwareAreaStart = kFirmwareSector0;
inline constexpr std::array<std::uint32_t, 3> kFirmwareSectors = {
    kFirmwareSector0,
    kFirmwareSector1,
    kFirmwareSector2,
};

// Programmed at the firmware area start only after the whole image has been programmed, so
// an interrupted update never leaves a half-written image that looks complete.
inline constexpr std::uint32_t kImageMarkerAddress = kFirmwareAreaStart;
inline constexpr std::array<std::uint8_t, 4> kImageMarker = {0xAA, 0x55, 0x55, 0xAA};

// An image's own records go between the marker and the end of the last firmware sector: a
// record on the marker's word would make a failed update look complete.
inline constexpr std::uint32_t kFirstImageAddress = kImageMarkerAddress + 4;
inline constexpr std::uint32_t kFirmwareAreaEnd = 0x01100000;

// The flash an erase of `sector`, one of kErasableSectors, stands for: from its start up to
// the next sector's, the last one up to the end of the firmware area. The map knows no byte
// in between that another erase would clear, so this is what a progress report can honestly
// count, however the loader lays out the sector inside it.
constexpr std::uint32_t SectorBytes(std::uint32_t sector) {
  for (std::size_t i = 0; i + 1 < kErasableSectors.size(); ++i) {
    if (kErasableSectors[i] == sector) return kErasableSectors[i + 1] - sector;
  }
  return kFirmwareAreaEnd - sector;
}

}  // namespace kvx
