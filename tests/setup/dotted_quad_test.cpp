#include "setup/dotted_quad.h"

#include <gtest/gtest.h>

namespace kvx {
namespace {

struct QuadCase {
  const char* text;
  std::int32_t expected;
};

TEST(ParseDottedQuad, TakesFourPartsOfUpToThreeDigitsAndNothingElse) {
  // clang-format off
  const QuadCase kCases[] = {
      {"10.0.0.1",         0x0A000001},
      {"192.168.1.254",    static_cast<std::int32_t>(0xC0A801FEu)},
      {"0.0.0.0",          0},
      {"1.2.3.",           0x01020300},
      {"...",              0},
      {"....",             -1},
      {"1.2.3.004",        0x01020304},
      {"1.2.3.0004",       -1},
      {"1.2.3.256",        -1},
      {"1.2.3.255",        0x010203FF},
      {"1.2.3",            -1},
      {"1.2.3.4.5",        -1},
      {"1.2.3.4.",         -1},
      {" 1.2.3.4",         -1},
      {"1.2 .3.4",         -1},
      {"1.2.3.4 ",         -1},
      {"",                 -1},
      {"255.255.255.255",  -1},
      {"255.255.255.254",  -2},
      {"+1.2.3.4",         -1},
      {"1.-2.3.4",         -1},
      {"1.2.3.a",          -1},
      {"1,2,3,4",          -1},
  };
  // clang-format on
  for (const QuadCase& c : kCases) {
    EXPECT_EQ(ParseDottedQuad(c.text), c.expected) << '"' << c.text << '"';
  }
}

}  // namespace
}  // namespace kvx
