#include "app/document_archive.h"

#include <utility>

namespace kvx {

namespace {

constexpr std::uint8_t kLongerLength = 0xFF;
constexpr std::uint16_t kWideMarker = 0xFFFE;
constexpr std::uint16_t kLongestLength = 0xFFFF;
constexpr char kUnnarrowable = '?';

}  // namespace

void ArchiveWriter::PutU8(std::uint8_t value) {
  bytes_.push_back(value);
}

void ArchiveWriter::PutU16(std::uint16_t value) {
  PutU8(static_cast<std::uint8_t>(value & 0xFFu));
  PutU8(static_cast<std::uint8_t>(value >> 8));
}

void ArchiveWriter::PutU32(std::uint32_t value) {
  PutU16(static_cast<std::uint16_t>(value & 0xFFFFu));
  PutU16(static_cast<std::uint16_t>(value >> 16));
}

void ArchiveWriter::PutLength(std::size_t length) {
  if (length < kLongerLength) {
    PutU8(static_cast<std::uint8_t>(length));
    return;
  }
  PutU8(kLongerLength);
  if (length < kWideMarker) {
    PutU16(static_cast<std::uint16_t>(length));
    return;
  }
  PutU16(kLongestLength);
  PutU32(static_cast<std::uint32_t>(length));
}

bool ArchiveWriter::PutString(const std::string& text) {
  if (text.size() > kLongestArchiveText) return false;
  PutLength(text.size());
  bytes_.insert(bytes_.end(), text.begin(), text.end());
  return true;
}

bool ArchiveReader::GetU8(std::uint8_t& value) {
  return source_(&value, 1);
}

bool ArchiveReader::GetU16(std::uint16_t& value) {
  std::uint8_t bytes[2];
  if (!source_(bytes, sizeof bytes)) return false;
  value = static_cast<std::uint16_t>(bytes[0] | (bytes[1] << 8));
  return true;
}

bool ArchiveReader::GetU32(std::uint32_t& value) {
  std::uint16_t low = 0;
  std::uint16_t high = 0;
  if (!GetU16(low) || !GetU16(high)) return false;
  value = (static_cast<std::uint32_t>(high) << 16) | low;
  return true;
}

bool ArchiveReader::GetLength(std::uint32_t& length, bool& wide) {
  std::uint8_t byte = 0;
  if (!GetU8(byte)) return false;
  if (byte < kLongerLength) {
    length = byte;
    return true;
  }
  std::uint16_t word = 0;
  if (!GetU16(word)) return false;
  if (word == kWideMarker) {
    if (wide) return false;
    wide = true;
    return GetLength(length, wide);
  }
  if (word < kLongestLength) {
    length = word;
    return true;
  }
  return GetU32(length) && length <= kLongestArchiveText;
}

bool ArchiveReader::GetString(std::string& text) {
  std::uint32_t length = 0;
  bool wide = false;
  if (!GetLength(length, wide)) return false;
  std::string read(length, '\0');
  if (!wide) {
    if (!source_(reinterpret_cast<std::uint8_t*>(read.data()), length)) return false;
    text = std::move(read);
    return true;
  }
  for (char& narrowed : read) {
    std::uint16_t character = 0;
    if (!GetU16(character)) return false;
    narrowed = character <= 0xFF ? static_cast<char>(character) : kUnnarrowable;
  }
  text = std::move(read);
  return true;
}

}  // namespace kvx
