#include "sim/flash_dump.h"

#include <algorithm>
#include <cstddef>
#include <cstdint>
#include <iomanip>
#include <string>

namespace kvx::sim {

namespace {

constexpr std::size_t kLineBytes = 16;

bool IsErased(const std::uint8_t* line) {
  return std::all_of(line, line + kLineBytes, [](std::uint8_t b) { return b == kErasedByte; });
}

char Printable(std::uint8_t byte) {
  return byte >= 0x20 && byte < 0x7F ? static_cast<char>(byte) : '.';
}

void DumpLine(std::uint32_t address, const std::uint8_t* line, std::ostream& out) {
  out << std::hex << std::uppercase << std::setfill('0') << std::setw(8) << address << ' ';
  for (std::size_t i = 0; i < kLineBytes; ++i) {
    out << (i == kLineBytes / 2 ? "  " : " ") << std::setw(2) << unsigned{line[i]};
  }
  out << std::dec << "  |";
  for (std::size_t i = 0; i < kLineBytes; ++i) out << Printable(line[i]);
  out << "|\n";
}

std::size_t ProgrammedRows(const LogicDevice& logic) {
  std::size_t programmed = 0;
  for (std::size_t row = 0; row < kFuseRowCount; ++row) {
    const std::string& fuses = logic.Row(row);
    if (fuses.find_first_not_of(kErasedFuse) != std::string::npos) ++programmed;
  }
  return programmed;
}

}  // namespace

void DumpDeviceState(const DeviceState& device, std::ostream& out) {
  const std::vector<std::uint8_t>& image = device.flash.Image();
  bool anyProgrammed = false;
  for (std::size_t offset = 0; offset + kLineBytes <= image.size(); offset += kLineBytes) {
    if (IsErased(image.data() + offset)) continue;
    anyProgrammed = true;
    DumpLine(kFlashBegin + static_cast<std::uint32_t>(offset), image.data() + offset, out);
  }
  if (!anyProgrammed) out << "flash: all erased\n";
  out << "logic signature: " << device.logic.Signature() << '\n';
  out << "logic fuse rows programmed: " << ProgrammedRows(device.logic) << " of " << kFuseRowCount
      << '\n';
}

}  // namespace kvx::sim
