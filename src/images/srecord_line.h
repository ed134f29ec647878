#pragma once

#include <array>
#include <cstddef>
#include <cstdint>
#include <optional>
#include <string>
#include <vector>

namespace kvx {

// The data buffer a line is parsed into: the largest record carries 252 data bytes, and the
// firmware update pads the data to a multiple of 4 in place.
inline constexpr std::size_t kSRecordDataCapacity = 256;
using SRecordData = std::array<std::uint8_t, kSRecordDataCapacity>;

// The value of two hex digits, high first. Lower-case digits must be upper-cased by the
// caller; a character outside '0' to 'G' reads as 0 and leaves it to the checksum.
std::uint8_t HexPairToByte(char high, char low);

// Parses one Motorola S-record line, newline included, counted from its first 'S' (or 's').
// Returns the number of data bytes of an S1, S2 or S3 record, read into `address` and `data`;
// 0 for a line with nothing to program (another record type, or a record without data); -1
// for a malformed line: no 'S', a length that disagrees with the count (a missing newline or
// a trailing CR too), a count too small for the address, or a wrong checksum. `address` and
// `data` may have been written whatever the result.
int ParseSRecordLine(const std::string& line, std::uint32_t& address, SRecordData& data);

// The text of an S0 header record, and whether its count and checksum hold: the parser passes a
// header over without looking at either.
struct HeaderRecord {
  std::string text;
  bool whole = false;
};

// The header record of a line ParseSRecordLine did not refuse; nothing for another record type.
std::optional<HeaderRecord> ReadHeaderRecord(const std::string& line);

// Follows the records of a whole file for what no single line shows: whether the file is
// whole. A file cut short still parses line by line, so without this half an image would be
// programmed and marked good. A whole file ends with its end record (S7, S8 or S9) and has
// no record after it, and a record count (S5, S6), where there is one, equals its number of
// data records (S1, S2, S3). A file whose last record is a count that matches is whole too:
// the count proves every data record arrived, and srec_cat writes no end record unless it is
// given a start address.
class SRecordFileCheck {
 public:
  // Takes line `lineNumber` (from 1) of the file, one that ParseSRecordLine did not refuse.
  // Returns why the file is not whole as far as this line shows; empty when it may be.
  std::string Take(const std::string& line, std::size_t lineNumber);
  // Why the file, taken to its end, is not whole; empty when it is.
  std::string Finish() const;

 private:
  struct RecordCount {
    std::size_t line;
    std::uint32_t value;
  };

  std::size_t dataRecords_ = 0;
  std::size_t lastLine_ = 0;
  std::size_t endLine_ = 0;  // the end record's, 0 before it
  bool lastIsCount_ = false;
  std::vector<RecordCount> counts_;
};

}  // namespace kvx
