#include "sim/flash_model.h"

#include <algorithm>

namespace kvx::sim {

namespace {

std::uint32_t SectorEnd(std::size_t sector) {
  return sector + 1 < kSectorStarts.size() ? kSectorStarts[sector + 1] : kFlashEnd;
}

bool InsideFlash(std::uint32_t address, std::size_t n) {
  return address >= kFlashBegin && address <= kFlashEnd && n <= kFlashEnd - address;
}

}  // namespace

FlashStatus FlashModel::EraseSector(std::uint32_t sectorStart) {
  const auto* found = std::find(kSectorStarts.begin(), kSectorStarts.end(), sectorStart);
  if (found == kSectorStarts.end()) return FlashStatus::kNoSuchSector;
  const std::size_t sector = static_cast<std::size_t>(found - kSectorStarts.begin());
  std::fill(bytes_.begin() + (sectorStart - kFlashBegin),
            bytes_.begin() + (SectorEnd(sector) - kFlashBegin), kErasedByte);
  return FlashStatus::kOk;
}

FlashStatus FlashModel::Program(std::uint32_t address, const std::uint8_t* data, std::size_t n) {
  if (!InsideFlash(address, n)) return FlashStatus::kOutsideFlash;
  const auto target = bytes_.begin() + (address - kFlashBegin);
  const bool erased = std::all_of(target, target + static_cast<std::ptrdiff_t>(n),
                                  [](std::uint8_t byte) { return byte == kErasedByte; });
  if (!erased) return FlashStatus::kNotErased;
  std::copy(data, data + n, target);
  return FlashStatus::kOk;
}

void FlashModel::Read(std::uint32_t address, std::uint8_t* out, std::size_t n) const {
  for (std::size_t i = 0; i < n; ++i) {
    const std::uint64_t at = std::uint64_t{address} + i;
    out[i] = at >= kFlashBegin && at < kFlashEnd ? bytes_[at - kFlashBegin] : kErasedByte;
  }
}

std::vector<std::uint8_t> FlashModel::Read(std::uint32_t address, std::size_t n) const {
  std::vector<std::uint8_t> out(n);
  Read(address, out.data(), n);
  return out;
}

}  // namespace kvx::sim
