#pragma once

#include <cstddef>
#include <cstdint>
#include <string>
#include <vector>

namespace kvx {

// The document file's building blocks: 16-bit little-endian numbers and archive strings. An
// archive string is a length prefix followed by exactly that many 8-bit characters:
//   0 to 254 characters     one byte, the length
//   255 to 65533            FF, then the length as 16 bits
//   65534 and more          FF FF FF, then the length as 32 bits
// Reading also takes the wide form: FF FE FF, then a second prefix of the scheme above, then
// that many 16-bit characters. Those are narrowed to 8 bits: a character up to 0xFF is kept
// as it stands (Latin-1), any other becomes '?'.

class ArchiveWriter {
 public:
  void PutU16(std::uint16_t value);
  void PutString(const std::string& text);
  const std::vector<std::uint8_t>& Bytes() const { return bytes_; }

 private:
  void PutU8(std::uint8_t value);
  void PutU32(std::uint32_t value);
  void PutLength(std::size_t length);

  std::vector<std::uint8_t> bytes_;
};

// Reads from bytes it does not own. Each Get returns false, and leaves its output alone, when
// the bytes end before the value does; a string whose prefix announces more characters than
// remain is refused before any room is made for them.
class ArchiveReader {
 public:
  ArchiveReader(const std::uint8_t* bytes, std::size_t size) : at_(bytes), end_(bytes + size) {}

  bool GetU16(std::uint16_t& value);
  bool GetString(std::string& text);

 private:
  bool GetU8(std::uint8_t& value);
  bool GetU32(std::uint32_t& value);
  // `wide` is set by the wide marker; a second marker inside one prefix is refused.
  bool GetLength(std::uint32_t& length, bool& wide);
  std::size_t Remaining() const { return static_cast<std::size_t>(end_ - at_); }

  const std::uint8_t* at_;
  const std::uint8_t* end_;
};

}  // namespace kvx
