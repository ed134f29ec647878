#include <gtest/gtest.h>

#include <string>

#include "loader/version_text.h"

namespace kvx {
namespace {

struct VersionCase {
  VersionNumber value;
  const char* shown;
  const char* digits;
};

TEST(VersionText, ShowsOneToTwoHundredFiftyFiveAndNothingElse) {
  const VersionCase cases[] = {
      {1, "0.01", "001"},        {7, "0.07", "007"},      {10, "0.10", "010"},
      {100, "1.00", "100"},      {105, "1.05", "105"},    {255, "2.55", "255"},
      {0, "unknown", "000"},     {256, "unknown", "000"}, {300, "unknown", "000"},
      {65535, "unknown", "000"},
  };
  for (const VersionCase& c : cases) {
    EXPECT_EQ(FormatVersion(c.value), c.shown) << c.value;
    EXPECT_EQ(FormatVersionDigits(c.value), c.digits) << c.value;
  }
}

TEST(VersionText, MacAddressTakesAtMostSixSerialCharacters) {
  const std::pair<const char*, const char*> cases[] = {
      {"", "02B7E9"},
      {"123", "02B7E9123"},
      {"123456", "02B7E9123456"},
      {"12345678", "02B7E9123456"},
      {"123456789C", "02B7E9123456"},
  };
  for (const auto& [serial, mac] : cases) EXPECT_EQ(MakeMacAddressText(serial), mac) << serial;
}

}  // namespace
}  // namespace kvx
