#pragma once

#include <cstdint>

namespace kvx {

// Byte-order cursor operations. Everything the loader sends or returns is big-endian; each
// operation stores or fetches at `at` and returns the position just behind, so a request is
// assembled by chaining them and its length is the distance the cursor moved.

inline std::uint8_t* PutByte(std::uint32_t value, std::uint8_t* at) {
  *at = static_cast<std::uint8_t>(value & 0xFFu);
  return at + 1;
}

inline const std::uint8_t* GetByte(std::uint8_t& destination, const std::uint8_t* at) {
  destination = *at;
  return at + 1;
}

inline std::uint8_t* PutU16BE(std::uint16_t value, std::uint8_t* at) {
  return PutByte(value, PutByte(static_cast<std::uint32_t>(value) >> 8, at));
}

inline const std::uint8_t* GetU16BE(std::uint16_t& destination, const std::uint8_t* at) {
  destination = static_cast<std::uint16_t>((at[0] << 8) | at[1]);
  return at + 2;
}

inline std::uint8_t* PutU32BE(std::uint32_t value, std::uint8_t* at) {
  at = PutU16BE(static_cast<std::uint16_t>(value >> 16), at);
  return PutU16BE(static_cast<std::uint16_t>(value & 0xFFFFu), at);
}

inline const std::uint8_t* GetU32BE(std::uint32_t& destination, const std::uint8_t* at) {
  std::uint16_t high = 0;
  std::uint16_t low = 0;
  at = GetU16BE(low, GetU16BE(high, at));
  destination = (static_cast<std::uint32_t>(high) << 16) | low;
  return at;
}

}  // namespace kvx
