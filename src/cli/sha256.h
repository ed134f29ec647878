#pragma once

#include <array>
#include <cstddef>
#include <cstdint>
#include <string>

namespace kvx::cli {

// SHA-256 (FIPS 180-4), fed in pieces of any size: the digest that proves which file went
// into a probe.
class Sha256 {
 public:
  Sha256();
  void Add(const std::uint8_t* bytes, std::size_t length);
  void Add(const std::string& bytes) {
    Add(reinterpret_cast<const std::uint8_t*>(bytes.data()), bytes.size());
  }
  // The digest as 64 lower-case hex digits. Ends the computation: add nothing after it.
  std::string HexDigest();

 private:
  void Compress(const std::uint8_t* block);

  std::array<std::uint32_t, 8> state_;
  std::array<std::uint8_t, 64> pending_{};
  std::size_t pendingBytes_ = 0;
  std::uint64_t totalBytes_ = 0;
};

// The digest of `bytes` in one call.
std::string Sha256Hex(const std::string& bytes);

}  // namespace kvx::cli
