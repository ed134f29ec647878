#include "sim/version_words.h"

#include <gtest/gtest.h>

#include <string>

namespace kvx::sim {
namespace {

struct WordCase {
  std::string text;
  VersionKind kind;
  std::optional<std::uint16_t> word;
};

class VersionWords : public ::testing::TestWithParam<WordCase> {};

TEST_P(VersionWords, ParseToTheWordOnTheWire) {
  EXPECT_EQ(ParseVersionWord(GetParam().text, GetParam().kind), GetParam().word) << GetParam().text;
}

INSTANTIATE_TEST_SUITE_P(
    Cases, VersionWords,
    ::testing::Values(WordCase{"1.05", VersionKind::kFirmware, std::uint16_t{0x0E69}},
                      WordCase{"1.04", VersionKind::kFirmware, std::uint16_t{0x0E68}},
                      WordCase{"0.00", VersionKind::kFirmware, std::uint16_t{0x0E00}},
                      WordCase{"2.55", VersionKind::kFirmware, std::uint16_t{0x0EFF}},
                      WordCase{"2.56", VersionKind::kFirmware, std::nullopt},
                      WordCase{"0x0E69", VersionKind::kFirmware, std::uint16_t{0x0E69}},
                      WordCase{"0xCE69", VersionKind::kFirmware, std::uint16_t{0xCE69}},
                      WordCase{"0x0DFF", VersionKind::kFirmware, std::uint16_t{0x0DFF}},
                      WordCase{"1.05", VersionKind::kLogic, std::uint16_t{8105}},
                      WordCase{"3.00", VersionKind::kLogic, std::uint16_t{8300}},
                      WordCase{"9.99", VersionKind::kLogic, std::uint16_t{8999}},
                      WordCase{"7999", VersionKind::kLogic, std::uint16_t{7999}},
                      WordCase{"65535", VersionKind::kLogic, std::uint16_t{65535}},
                      WordCase{"65536", VersionKind::kLogic, std::nullopt},
                      WordCase{"1.5", VersionKind::kLogic, std::nullopt},
                      WordCase{"1.050", VersionKind::kLogic, std::nullopt},
                      WordCase{"a.05", VersionKind::kLogic, std::nullopt},
                      WordCase{"0x", VersionKind::kLogic, std::nullopt},
                      WordCase{"0x1G", VersionKind::kLogic, std::nullopt},
                      WordCase{"", VersionKind::kLogic, std::nullopt},
                      WordCase{"-1", VersionKind::kLogic, std::nullopt}));

}  // namespace
}  // namespace kvx::sim
