#pragma once

#include <cstddef>
#include <cstdint>
#include <vector>

namespace kvx::sim {

// Multi-byte numbers travel big-endian in both directions.
inline std::uint16_t GetU16BE(const std::uint8_t* at) {
  return static_cast<std::uint16_t>((at[0] << 8) | at[1]);
}

inline std::uint32_t GetU32BE(const std::uint8_t* at) {
  return (std::uint32_t{at[0]} << 24) | (std::uint32_t{at[1]} << 16) | (std::uint32_t{at[2]} << 8) |
         std::uint32_t{at[3]};
}

inline void AppendU16BE(std::vector<std::uint8_t>& out, std::uint16_t value) {
  out.push_back(static_cast<std::uint8_t>(value >> 8));
  out.push_back(static_cast<std::uint8_t>(value));
}

inline void AppendU32BE(std::vector<std::uint8_t>& out, std::uint32_t value) {
  AppendU16BE(out, static_cast<std::uint16_t>(value >> 16));
  AppendU16BE(out, static_cast<std::uint16_t>(value));
}

}  // namespace kvx::sim
