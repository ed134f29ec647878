#pragma once

#include <array>
#include <cstddef>
#include <cstdint>
#include <string>

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

}  // namespace kvx
