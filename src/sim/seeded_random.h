#pragma once

#include <cstdint>

namespace kvx::sim {

// A small generator with a fixed algorithm (splitmix64), so a given --seed produces the same
// faults with every compiler and standard library.
class SeededRandom {
 public:
  explicit SeededRandom(std::uint64_t seed) : state_(seed) {}

  std::uint64_t Next() {
    std::uint64_t z = (state_ += 0x9E3779B97F4A7C15ULL);
    z = (z ^ (z >> 30)) * 0xBF58476D1CE4E5B9ULL;
    z = (z ^ (z >> 27)) * 0x94D049BB133111EBULL;
    return z ^ (z >> 31);
  }

  // Uniform in [0, 1).
  double NextUnit() { return static_cast<double>(Next() >> 11) * 0x1.0p-53; }

  // Uniform in [low, high].
  std::uint32_t NextInRange(std::uint32_t low, std::uint32_t high) {
    return low + static_cast<std::uint32_t>(Next() % (std::uint64_t{high} - low + 1));
  }

 private:
  std::uint64_t state_;
};

}  // namespace kvx::sim
