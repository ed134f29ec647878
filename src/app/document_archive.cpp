#include "app/document_archive.h"

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

void ArchiveWriter::PutString(const std::string& text) {
  PutLength(text.size());
  bytes_.insert(bytes_.end(), text.begin(), text.end());
}

bool ArchiveReader::GetU8(std::uint8_t& value) {
  if (Remaining() < 1) return false;
  value = *at_++;
  return true;
}

bool ArchiveReader::GetU16(std::uint16_t& value) {
  if (Remaining() < 2) return false;
  value = static_cast<std::uint16_t>(at_[0] | (at_[1] << 8));
  at_ += 2;
  return true;
}

bool ArchiveReader::GetU32(std::uint32_t& value) {
  std::uint16_t low = 0;
  std::uint16_t high = 0;
  if (Remaining() < 4) return false;
  GetU16(low);
  GetU16(high);
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
  return GetU32(length);
}

bool ArchiveReader::GetString(std::string& text) {
  std::uint32_t length = 0;
  bool wide = false;
  if (!GetLength(length, wide)) return false;
  const std::uint64_t byteCount = std::uint64_t{length} * (wide ? 2u : 1u);
  if (byteCount > Remaining()) return false;
  if (!wide) {
    text.assign(at_, at_ + length);
    at_ += length;
    return true;
  }
  text.clear();
  text.reserve(length);
  for (std::uint32_t i = 0; i < length; ++i) {
    std::uint16_t character = 0;
    GetU16(character);
    text.push_back(character <= 0xFF ? static_cast<char>(character) : kUnnarrowable);
  }
  return true;
}

}  // namespace kvx
