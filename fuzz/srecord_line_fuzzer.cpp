// Feeds arbitrary text to the S-record line parser, one line per input. Whatever it is given,
// the parser must stay inside the line and the data buffer and report at most 252 bytes.
#include <cstddef>
#include <cstdint>
#include <string>

#include "images/srecord_line.h"

extern "C" int LLVMFuzzerTestOneInput(const std::uint8_t* data, std::size_t size) {
  const std::string line(reinterpret_cast<const char*>(data), size);
  std::uint32_t address = 0;
  kvx::SRecordData bytes{};
  const int n = kvx::ParseSRecordLine(line, address, bytes);
  if (n < -1 || n > 252) __builtin_trap();
  return 0;
}
