#include <gtest/gtest.h>

#include <cstdint>
#include <vector>

#include "loader/cursor.h"

namespace kvx {
namespace {

using Bytes = std::vector<std::uint8_t>;

TEST(Cursor, PutsChainBigEndianAndAdvanceByTheirSize) {
  Bytes buffer(8, 0xEE);
  std::uint8_t* at = buffer.data();
  at = PutByte(0x1234, at);  // only the low 8 bits
  at = PutU16BE(0xABCD, at);
  at = PutU32BE(0x01008000, at);

  EXPECT_EQ(at - buffer.data(), 7);
  EXPECT_EQ(buffer, (Bytes{0x34, 0xAB, 0xCD, 0x01, 0x00, 0x80, 0x00, 0xEE}));
}

TEST(Cursor, GetsReadUnsignedBigEndianAndAdvanceByTheirSize) {
  const Bytes buffer{0x80, 0xFF, 0x01, 0xFE, 0xDC, 0xBA, 0x98};
  std::uint8_t byte = 0;
  std::uint16_t word = 0;
  std::uint32_t longWord = 0;
  const std::uint8_t* at = GetByte(byte, buffer.data());
  at = GetU16BE(word, at);
  at = GetU32BE(longWord, at);

  EXPECT_EQ(at - buffer.data(), 7);
  EXPECT_EQ(byte, 0x80);
  EXPECT_EQ(word, 65281);
  EXPECT_EQ(longWord, 0xFEDCBA98u);
}

}  // namespace
}  // namespace kvx
