#include "link/frame_encoding.h"

namespace kvx {

namespace {

std::uint8_t* PutStuffed(std::uint8_t* at, std::uint8_t byte) {
  *at++ = byte;
  if (byte == kDle) *at++ = kDle;
  return at;
}

}  // namespace

std::size_t EncodeFrame(const std::uint8_t* payload, std::size_t n, std::uint8_t* out) {
  if (n > kMaxFramePayload) return 0;
  std::uint8_t* at = out;
  *at++ = kDle;
  *at++ = kStx;
  std::uint8_t checksum = 0;
  for (std::size_t i = 0; i < n; ++i) {
    at = PutStuffed(at, payload[i]);
    checksum ^= payload[i];
  }
  *at++ = kDle;
  *at++ = kEtx;
  at = PutStuffed(at, checksum);
  return static_cast<std::size_t>(at - out);
}

}  // namespace kvx
