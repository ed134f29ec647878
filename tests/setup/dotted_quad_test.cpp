#include "setup/dotted_quad.h"

#include <gtest/gtest.h>

namespace kvx {
namespace {

struct QuadCase {
  const char* text;
  std::int32_t expected;
  bool quad;  // IsDottedQuad
};

TEST(ParseDottedQuad, TakesFourPartsOfUpToThreeDigitsAndNothingElse) {
  // clang-format off
  const QuadCase kCases[] = {
      {"10.0.0.1",          0x0A000001, true},
      {"1.2.3.",            0x01020300, true},
      {"...",               0, true},
      {"....",              -1, false},
      {"1.2.3.004",         0x01020304, true},
      {"1.2.3.0004",        -1, false},
      {"1.2.3.256",         -1, false},
      {"1.2.3.255",         0x010203FF, true},
      {"1.2.3",             -1, false},
      {"1.2.3.4.5",         -1, false},
      {" 1.2.3.4",          -1, false},
      {"1.2.3.4 ",          -1, false},
      {"",                  -1, false},
      {"255.255.255.255",   -1, true},
      {"255.255.255.254",   -2, true},
      {"+1.2.3.4",          -1, false},
      {"1.-2.3.4",          -1, false},
      {"1.2.3.a",           -1, false},
  };
  // clang-format on
  for (const QuadCase& c : kCases) {
    EXPECT_EQ(ParseDottedQuad(c.text), c.expected) << '"' << c.text << '"';
    EXPECT_EQ(IsDottedQuad(c.text), c.quad) << '"' << c.text << '"';
  }
}

}  // namespace
}  // namespace kvx
