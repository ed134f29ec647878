#pragma once

#include <cstddef>
#include <cstdint>
#include <functional>
#include <string>
#include <utility>
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
//
// No text of a document is longer than a file name, so a string is at most kLongestArchiveText
// characters either way. The prefix could announce 4 GB, and a reader that believed it would
// make room for as much.
inline constexpr std::size_t kLongestArchiveText = 0xFFFF;

class ArchiveWriter {
 public:
  void PutU16(std::uint16_t value);
  // False, writing nothing, for a text longer than kLongestArchiveText.
  bool PutString(const std::string& text);
  const std::vector<std::uint8_t>& Bytes() const { return bytes_; }

 private:
  void PutU8(std::uint8_t value);
  void PutU32(std::uint32_t value);
  void PutLength(std::size_t length);

  std::vector<std::uint8_t> bytes_;
};

// Fills `into` with the next `count` bytes; false when fewer remain.
using ArchiveSource = std::function<bool(std::uint8_t* into, std::size_t count)>;

// Reads values one at a time from a source, never more bytes than the value needs. Each Get
// returns false when the source ends before the value does or a string is longer than
// kLongestArchiveText; the reader is then spent.
class ArchiveReader {
 public:
  explicit ArchiveReader(ArchiveSource source) : source_(std::move(source)) {}

  bool GetU16(std::uint16_t& value);
  bool GetString(std::string& text);

 private:
  bool GetU8(std::uint8_t& value);
  bool GetU32(std::uint32_t& value);
  // `wide` is set by the wide marker; a second marker inside one prefix is refused.
  bool GetLength(std::uint32_t& length, bool& wide);

  ArchiveSource source_;
};

}  // namespace kvx
