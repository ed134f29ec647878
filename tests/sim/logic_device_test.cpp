#include "sim/logic_device.h"

#include <gtest/gtest.h>

#include <string>

namespace kvx::sim {
namespace {

std::string Pattern(std::size_t length, const std::string& unit) {
  std::string text;
  while (text.size() < length) text += unit;
  return text.substr(0, length);
}

TEST(LogicDevice, StartsAndErasesToAllOnes) {
  LogicDevice device;
  const std::string erasedRow(kFuseRowLength, '1');
  EXPECT_EQ(device.Row(0), erasedRow);
  EXPECT_EQ(device.Row(kFuseRowCount - 1), erasedRow);
  ASSERT_TRUE(device.ProgramRow(7, std::string(kFuseRowLength, '0')));
  ASSERT_TRUE(device.ProgramSignature(std::string(kSignatureLength, '0')));
  device.Erase();
  EXPECT_EQ(device.Row(7), erasedRow);
  EXPECT_EQ(device.Signature(), std::string(kSignatureLength, '1'));
}

TEST(LogicDevice, ProgrammedRowsReadBackAfterAnErase) {
  LogicDevice device;
  const std::string row = Pattern(kFuseRowLength, "0110");
  ASSERT_TRUE(device.ProgramRow(133, row));
  EXPECT_EQ(device.Row(133), row);
}

// Cells only go from '1' to '0': programming over old contents without an erase leaves the
// AND of both, which a verification then catches.
TEST(LogicDevice, ProgrammingWithoutEraseKeepsClearedBits) {
  LogicDevice device;
  ASSERT_TRUE(device.ProgramRow(1, Pattern(kFuseRowLength, "01")));
  ASSERT_TRUE(device.ProgramRow(1, Pattern(kFuseRowLength, "10")));
  EXPECT_EQ(device.Row(1), std::string(kFuseRowLength, '0'));
  ASSERT_TRUE(device.ProgramSignature(Pattern(kSignatureLength, "0011")));
  ASSERT_TRUE(device.ProgramSignature(Pattern(kSignatureLength, "0101")));
  EXPECT_EQ(device.Signature(), Pattern(kSignatureLength, "0001"));
}

TEST(LogicDevice, RefusesMalformedRowsAndSignaturesWithoutChange) {
  LogicDevice device;
  const std::string erasedRow(kFuseRowLength, '1');
  EXPECT_FALSE(device.ProgramRow(kFuseRowCount, std::string(kFuseRowLength, '0')));
  EXPECT_FALSE(device.ProgramRow(0, std::string(kFuseRowLength - 1, '0')));
  EXPECT_FALSE(device.ProgramRow(0, std::string(kFuseRowLength - 1, '0') + "2"));
  EXPECT_FALSE(device.ProgramSignature(std::string(kSignatureLength, 'x')));
  EXPECT_EQ(device.Row(0), erasedRow);
  EXPECT_EQ(device.Signature(), std::string(kSignatureLength, '1'));
}

TEST(LogicDevice, LoadCellsTakesOnlyACompleteWellFormedSet) {
  LogicDevice device;
  std::vector<std::string> rows(kFuseRowCount, std::string(kFuseRowLength, '0'));
  const std::string signature(kSignatureLength, '0');
  std::vector<std::string> shortSet(rows.begin(), rows.end() - 1);
  EXPECT_FALSE(device.LoadCells(shortSet, signature));
  EXPECT_FALSE(device.LoadCells(rows, signature + "0"));
  EXPECT_EQ(device.Row(0), std::string(kFuseRowLength, '1'));
  EXPECT_TRUE(device.LoadCells(rows, signature));
  EXPECT_EQ(device.Row(kFuseRowCount - 1), rows.back());
  EXPECT_EQ(device.Signature(), signature);
}

}  // namespace
}  // namespace kvx::sim
