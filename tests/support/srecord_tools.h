#pragma once

#include <algorithm>
#include <cstddef>
#include <cstdint>
#include <cstdlib>
#include <filesystem>
#include <fstream>
#include <sstream>
#include <stdexcept>
#include <string>
#include <vector>

namespace kvx::test {

// Deterministic bytes that look like a firmware image to nobody.
inline std::vector<std::uint8_t> PatternBytes(std::size_t n, std::uint32_t seed = 1) {
  std::vector<std::uint8_t> bytes(n);
  for (std::uint8_t& byte : bytes) {
    seed = seed * 1103515245u + 12345u;
    byte = static_cast<std::uint8_t>(seed >> 16);
  }
  return bytes;
}

// One S-record line of `type` ('0' to '9') for `data` at `address`, whose address field
// takes `addressBytes` bytes, ended by `lineEnd`.
inline std::string SRecordLine(char type, std::uint32_t address,
                               const std::vector<std::uint8_t>& data, unsigned addressBytes = 4,
                               const char* lineEnd = "\n") {
  std::vector<std::uint8_t> body = {static_cast<std::uint8_t>(data.size() + addressBytes + 1)};
  for (int shift = 8 * (static_cast<int>(addressBytes) - 1); shift >= 0; shift -= 8)
    body.push_back(static_cast<std::uint8_t>(address >> shift));
  body.insert(body.end(), data.begin(), data.end());
  unsigned sum = 0;
  for (const std::uint8_t byte : body) sum += byte;
  body.push_back(static_cast<std::uint8_t>(~sum));
  static const char kHex[] = "0123456789ABCDEF";
  std::string line = {'S', type};
  for (const std::uint8_t byte : body) line += {kHex[byte >> 4], kHex[byte & 15]};
  return line + lineEnd;
}

// The image objcopy makes of `binary` at `address` into the file `name` (see
// SRecordTools::Objcopy), written without it, for tests that need an image but do not test the
// reader, and run where objcopy is not.
inline std::string ObjcopyLikeImage(const std::vector<std::uint8_t>& binary, std::uint32_t address,
                                    unsigned recordBytes, const std::string& name = "output.srec") {
  std::string image = SRecordLine('0', 0, {name.begin(), name.end()}, 2, "\r\n");
  for (std::size_t at = 0; at < binary.size(); at += recordBytes) {
    const auto from = binary.begin() + static_cast<std::ptrdiff_t>(at);
    const std::size_t n = std::min<std::size_t>(recordBytes, binary.size() - at);
    image += SRecordLine('3', address + static_cast<std::uint32_t>(at),
                         {from, from + static_cast<std::ptrdiff_t>(n)}, 4, "\r\n");
  }
  return image + SRecordLine('7', address, {}, 4, "\r\n");
}

// S-record files made by the real tools from a binary, so the reader is tested against what
// people actually feed it, not against our own idea of the format.
class SRecordTools {
 public:
  explicit SRecordTools(std::filesystem::path directory) : directory_(std::move(directory)) {}

  // objcopy: S3 records when the address needs 32 bits; `recordBytes` data bytes a record.
  std::string Objcopy(const std::vector<std::uint8_t>& binary, std::uint32_t address,
                      unsigned recordBytes) const {
    return Run("objcopy -I binary -O srec --srec-len=" + std::to_string(recordBytes) +
               " --change-addresses=" + std::to_string(address) + " " + Input(binary) + " " +
               Output());
  }

  // srec_cat with a header and a count record, and `addressBytes` (2, 3 or 4) addresses.
  std::string SrecCat(const std::vector<std::uint8_t>& binary, std::uint32_t address,
                      unsigned addressBytes, unsigned lineLength) const {
    return Run("srec_cat " + Input(binary) + " -binary -offset " + std::to_string(address) +
               " -o " + Output() + " -motorola -address-length=" + std::to_string(addressBytes) +
               " -line-length=" + std::to_string(lineLength));
  }

 private:
  std::string Input(const std::vector<std::uint8_t>& binary) const {
    const std::filesystem::path path = directory_ / "input.bin";
    std::ofstream(path, std::ios::binary)
        .write(reinterpret_cast<const char*>(binary.data()),
               static_cast<std::streamsize>(binary.size()));
    return path.string();
  }
  std::string Output() const { return (directory_ / "output.srec").string(); }

  std::string Run(const std::string& command) const {
    if (std::system(command.c_str()) != 0) throw std::runtime_error("failed: " + command);
    std::ifstream file(Output(), std::ios::binary);
    std::ostringstream content;
    content << file.rdbuf();
    return content.str();
  }

  std::filesystem::path directory_;
};

}  // namespace kvx::test
