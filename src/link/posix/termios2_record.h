#pragma once

#include <cstddef>
#include <cstdint>

namespace kvx {

// The kernel's termios2 line settings, which carry the rate as a plain number of bits per
// second, so rates that no B constant names can be set (BOTHER). The record is kept opaque
// because <asm/termbits.h>, which defines it, clashes with <termios.h>; only this class's
// own source file sees the kernel's definition. Pass Data() to ioctl() with ReadRequest()
// or WriteRequest().
class Termios2Record {
 public:
  static constexpr std::size_t kStorageBytes = 64;

  static unsigned long ReadRequest();   // TCGETS2
  static unsigned long WriteRequest();  // TCSETS2

  void* Data() { return storage_; }

  std::uint32_t OutputRate() const;
  // Sets both directions to `bitsPerSecond`; the other settings stay as they are.
  void SetRate(std::uint32_t bitsPerSecond);

 private:
  alignas(8) unsigned char storage_[kStorageBytes] = {};
};

}  // namespace kvx
