#include "images/srecord_line.h"

namespace kvx {

namespace {

// Digits from '0' to 'G'; the seven characters between '9' and 'A', and 'G', read as 0.
constexpr std::array<std::uint8_t, 24> kHexDigitValues = {
    0, 1, 2, 3, 4, 5, 6, 7, 8, 9, 0, 0, 0, 0, 0, 0, 0, 10, 11, 12, 13, 14, 15, 0,
};

std::uint8_t HexDigitValue(char c) {
  const int index = static_cast<unsigned char>(c) - '0';
  if (index < 0 || index >= static_cast<int>(kHexDigitValues.size())) return 0;
  return kHexDigitValues[static_cast<std::size_t>(index)];
}

// Only the letters 'a' to 'z': files are read byte for byte, whatever the locale.
char UpperCase(char c) {
  return c >= 'a' && c <= 'z' ? static_cast<char>(c - 'a' + 'A') : c;
}

// Address bytes of a data record type, or 0 for a type that carries nothing to program.
std::size_t AddressBytes(char type) {
  switch (type) {
    case '1':
      return 2;
    case '2':
      return 3;
    case '3':
      return 4;
    default:
      return 0;
  }
}

// Address bytes of a record count type (the count stands in the address field), or 0.
std::size_t CountBytes(char type) {
  return type == '5' ? 2 : type == '6' ? 3 : 0;
}

// A header record's address field, which says nothing.
constexpr std::size_t kHeaderAddressBytes = 2;

bool IsEndRecord(char type) {
  return type == '7' || type == '8' || type == '9';
}

// Reads hex pairs from a line, upper-casing as it goes, and keeps the record's 8-bit sum.
class PairReader {
 public:
  PairReader(const std::string& line, std::size_t position) : line_(line), position_(position) {}

  std::uint8_t Next() {
    const std::uint8_t byte =
        HexPairToByte(UpperCase(line_[position_]), UpperCase(line_[position_ + 1]));
    position_ += 2;
    sum_ = static_cast<std::uint8_t>(sum_ + byte);
    return byte;
  }
  std::uint8_t Sum() const { return sum_; }

 private:
  const std::string& line_;
  std::size_t position_;
  std::uint8_t sum_ = 0;
};

// The address and data bytes of the record starting at `start`, read with `addressBytes`
// address bytes, and its checksum tested; the line's length has been tested against the count.
// Returns the number of data bytes, or -1.
int ReadRecord(const std::string& line, std::size_t start, std::size_t addressBytes,
               std::uint32_t& address, SRecordData& data) {
  PairReader pairs(line, start + 2);
  const std::size_t count = pairs.Next();
  if (count < addressBytes + 1) return -1;
  address = 0;
  for (std::size_t i = 0; i < addressBytes; ++i) address = address << 8 | pairs.Next();
  const std::size_t dataBytes = count - addressBytes - 1;
  for (std::size_t i = 0; i < dataBytes; ++i) data[i] = pairs.Next();
  const std::uint8_t sum = pairs.Sum();
  const std::uint8_t checksum = pairs.Next();
  return static_cast<std::uint8_t>(sum + checksum) == 0xFF ? static_cast<int>(dataBytes) : -1;
}

}  // namespace

std::uint8_t HexPairToByte(char high, char low) {
  return static_cast<std::uint8_t>(HexDigitValue(high) * 16 + HexDigitValue(low));
}

int ParseSRecordLine(const std::string& line, std::uint32_t& address, SRecordData& data) {
  const std::size_t start = line.find_first_of("Ss");
  if (start == std::string::npos || line.size() - start < 4) return -1;
  const char type = UpperCase(line[start + 1]);
  const std::size_t count = PairReader(line, start + 2).Next();
  if (line.size() != start + 2 * count + 5) return -1;
  const std::size_t addressBytes = AddressBytes(type);
  if (addressBytes == 0) return 0;
  return ReadRecord(line, start, addressBytes, address, data);
}

std::optional<HeaderRecord> ReadHeaderRecord(const std::string& line) {
  const std::size_t start = line.find_first_of("Ss");
  if (UpperCase(line[start + 1]) != '0') return std::nullopt;
  const std::size_t count = PairReader(line, start + 2).Next();
  if (count < kHeaderAddressBytes + 1) return HeaderRecord{};
  std::uint32_t address = 0;
  SRecordData data{};
  HeaderRecord header;
  header.whole = ReadRecord(line, start, kHeaderAddressBytes, address, data) >= 0;
  header.text.assign(data.begin(),
                     data.begin() + static_cast<std::ptrdiff_t>(count - kHeaderAddressBytes - 1));
  return header;
}

std::string SRecordFileCheck::Take(const std::string& line, std::size_t lineNumber) {
  const auto at = [lineNumber] { return "line " + std::to_string(lineNumber); };
  if (endLine_ != 0) {
    return at() + " comes after the end record on line " + std::to_string(endLine_);
  }
  lastLine_ = lineNumber;
  const std::size_t start = line.find_first_of("Ss");
  const char type = UpperCase(line[start + 1]);
  lastIsCount_ = false;
  if (AddressBytes(type) != 0) {
    ++dataRecords_;
  } else if (IsEndRecord(type)) {
    endLine_ = lineNumber;
  } else if (const std::size_t countBytes = CountBytes(type); countBytes != 0) {
    PairReader pairs(line, start + 2);
    // The parser checks a count record's length only, so the count itself may be missing.
    if (pairs.Next() < countBytes + 1) return at() + " is not a valid S-record";
    std::uint32_t value = 0;
    for (std::size_t i = 0; i < countBytes; ++i) value = value << 8 | pairs.Next();
    counts_.push_back({lineNumber, value});
    lastIsCount_ = true;
  }
  return "";
}

std::string SRecordFileCheck::Finish() const {
  for (const RecordCount& count : counts_) {
    if (count.value == dataRecords_) continue;
    return "line " + std::to_string(count.line) + ": the record count says " +
           std::to_string(count.value) + " data records, the file holds " +
           std::to_string(dataRecords_) +
           (count.value > dataRecords_ ? ": the file is incomplete" : "");
  }
  if (endLine_ == 0 && !lastIsCount_) {
    return "line " + std::to_string(lastLine_) +
           ": ends without its end record: the file is incomplete";
  }
  return "";
}

}  // namespace kvx
