#include <gtest/gtest.h>

#include <cstdint>
#include <string>
#include <vector>

#include "images/srecord_line.h"
#include "images/text_file.h"
#include "srecord_tools.h"
#include "temp_directory.h"

namespace kvx::test {
namespace {

struct LineCase {
  const char* name;
  std::string line;
  int result;
  std::uint32_t address;
  std::vector<std::uint8_t> data;
};

// clang-format off
const LineCase kLineCases[] = {
    {"S1 with two bytes", "S10500101234A4\n", 2, 0x0010, {0x12, 0x34}},
    {"S3 with five bytes", "S30A01040004DEADBEEF01B3\n", 5, 0x01040004, {0xDE, 0xAD, 0xBE, 0xEF, 0x01}},
    {"lower case", "s30a01040004deadbeef01b3\n", 5, 0x01040004, {0xDE, 0xAD, 0xBE, 0xEF, 0x01}},
    {"blanks before the S", "  S10500101234A4\n", 2, 0x0010, {0x12, 0x34}},
    {"characters that are not hex read as zero", "S1050010:H34B6\n", 2, 0x0010, {0x00, 0x34}},
    {"G reads as zero", "S1050010G234B4\n", 2, 0x0010, {0x02, 0x34}},
    {"S1 without data", "S1030000FC\n", 0, 0, {}},
    {"S0 with a wrong checksum", "S0030000AB\n", 0, 0, {}},
    {"S9 that is not hex", "S903ZZZZZZ\n", 0, 0, {}},
    {"S5 one character long", "S5030000FC0\n", -1, 0, {}},
    {"S7 one character short", "S7050000000\n", -1, 0, {}},
    {"no newline", "S10500101234A4", -1, 0, {}},
    {"CR LF", "S10500101234A4\r\n", -1, 0, {}},
    {"count changed", "S10600101234A4\n", -1, 0, {}},
    {"checksum changed", "S10500101234A5\n", -1, 0, {}},
    {"without its checksum byte", "S10500101234\n", -1, 0, {}},
    {"count too small for the address", "S101FE\n", -1, 0, {}},
    {"count covering only the address", "S1020000\n", -1, 0, {}},
    {"empty line", "", -1, 0, {}},
    {"no S", "0500101234A4\n", -1, 0, {}},
    {"too short for a count", "S1\n", -1, 0, {}},
};
// clang-format on

TEST(ParseSRecordLine, ReadsEachKindOfLine) {
  for (const LineCase& c : kLineCases) {
    std::uint32_t address = 0;
    SRecordData data{};
    EXPECT_EQ(ParseSRecordLine(c.line, address, data), c.result) << c.name;
    if (c.result <= 0) continue;
    EXPECT_EQ(address, c.address) << c.name;
    EXPECT_EQ(std::vector<std::uint8_t>(data.begin(), data.begin() + c.result), c.data) << c.name;
  }
}

// What srec_cat writes; objcopy's records are read by the firmware update tests.
struct ToolCase {
  const char* name;
  std::uint32_t address;
  unsigned addressBytes;
  unsigned lineLength;
};

// clang-format off
const ToolCase kToolCases[] = {
    {"S1, 46-character lines", 0x1000, 2, 46},
    {"S2, 78-character lines", 0x20000, 3, 78},
    {"S3, 250-character lines", 0x01040004, 4, 250},
};
// clang-format on

TEST(ParseSRecordLine, ReadsBackWhatSrecCatWrites) {
  const std::vector<std::uint8_t> binary = PatternBytes(3001);
  for (const ToolCase& c : kToolCases) {
    const TempDirectory directory;
    const std::string file =
        SRecordTools(directory.Path()).SrecCat(binary, c.address, c.addressBytes, c.lineLength);
    TextLineReader reader(file, 255);
    std::vector<std::uint8_t> read;
    std::string line;
    std::uint32_t address = 0;
    SRecordData data{};
    while (reader.Next(line)) {
      const int n = ParseSRecordLine(line, address, data);
      ASSERT_GE(n, 0) << c.name << ": " << line;
      if (n == 0) continue;
      ASSERT_EQ(address, c.address + read.size()) << c.name << ": " << line;
      read.insert(read.end(), data.begin(), data.begin() + n);
    }
    EXPECT_EQ(read, binary) << c.name;
  }
}

}  // namespace
}  // namespace kvx::test
