#pragma once

#include <array>
#include <cstddef>
#include <cstdint>
#include <vector>

namespace kvx::sim {

// Status byte of the 'g' and 'h' replies; 0 is success.
enum class FlashStatus : std::uint8_t {
  kOk = 0,
  kNoSuchSector = 1,  // 'g' on an address where no sector begins
  kOutsideFlash = 2,  // 'h' on bytes that are not all inside the sectors
  kNotErased = 3,     // 'h' on bytes of which at least one is not 0xFF
  kDeviceFault = 4,   // an injected failure
};

// The six sectors the loader can erase, contiguous: each runs up to the next one's start,
// the last up to kFlashEnd.
inline constexpr std::array<std::uint32_t, 6> kSectorStarts = {0x01008000, 0x0100C000, 0x01010000,
                                                               0x01040000, 0x01080000, 0x010C0000};
inline constexpr std::uint32_t kFlashBegin = 0x01008000;
inline constexpr std::uint32_t kFlashEnd = 0x01100000;
inline constexpr std::size_t kFlashSize = kFlashEnd - kFlashBegin;
inline constexpr std::uint8_t kErasedByte = 0xFF;

// The probe's flash as far as the loader lets the host at it. Programming is all or
// nothing: a request that would touch a byte outside the sectors or one that is not erased
// changes nothing.
class FlashModel {
 public:
  FlashModel() : bytes_(kFlashSize, kErasedByte) {}

  FlashStatus EraseSector(std::uint32_t sectorStart);
  FlashStatus Program(std::uint32_t address, const std::uint8_t* data, std::size_t n);
  // Bytes outside the sectors read as erased.
  void Read(std::uint32_t address, std::uint8_t* out, std::size_t n) const;
  std::vector<std::uint8_t> Read(std::uint32_t address, std::size_t n) const;

  // The whole flash from kFlashBegin, for keeping it in a file.
  const std::vector<std::uint8_t>& Image() const { return bytes_; }
  // Replaces the whole flash; `image` must hold kFlashSize bytes.
  void LoadImage(std::vector<std::uint8_t> image) { bytes_ = std::move(image); }

 private:
  std::vector<std::uint8_t> bytes_;
};

}  // namespace kvx::sim
