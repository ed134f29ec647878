#include "setup/setup_block.h"

#include <gtest/gtest.h>

#include <string>
#include <utility>
#include <vector>

namespace kvx {
namespace {

using Bytes = std::vector<std::uint8_t>;

NetworkSetupTexts ExampleTexts(std::string name = "cfg") {
  return {"10.0.0.2", "10.0.0.1", "255.255.255.0", "10.0.0.254", std::move(name)};
}

Bytes Slice(const SetupBlock& block, std::size_t from, std::size_t to) {
  return Bytes(block.begin() + static_cast<std::ptrdiff_t>(from),
               block.begin() + static_cast<std::ptrdiff_t>(to));
}

TEST(BuildSetupBlock, LaysOutMacAddressesAndNameInFlashOrder) {
  const SetupBlock block = BuildSetupBlock("12345678", ExampleTexts()).value();
  const Bytes head = {0x02, 0xB7, 0xE9, 0x12, 0x34, 0x56, 0xFF, 0xFF, 0x0A, 0x00,
                      0x00, 0x01, 0xFF, 0xFF, 0xFF, 0x00, 0x0A, 0x00, 0x00, 0xFE,
                      0x0A, 0x00, 0x00, 0x02, 0x63, 0x66, 0x67, 0x00};
  EXPECT_EQ(Slice(block, 0, head.size()), head);
  EXPECT_EQ(Slice(block, head.size(), block.size()), Bytes(block.size() - head.size(), 0));
}

TEST(BuildSetupBlock, MacBytesFollowTheSerialCharacterCodes) {
  // (16 * 'A' + 'B' - 48) mod 256 = 0x22; (16 * '9' + '~' - 48) mod 256 = 0xDE.
  const SetupBlock block = BuildSetupBlock("AB9~00", ExampleTexts()).value();
  EXPECT_EQ(Slice(block, 3, 6), (Bytes{0x22, 0xDE, 0x00}));
}

TEST(BuildSetupBlock, NewDocumentDefaultsStoreAllOnes) {
  const SetupBlock block = BuildSetupBlock("12345678", {"255.255.255.255", "0.0.0.0",
                                                        "255.255.255.255", "255.255.255.255", ""})
                               .value();
  EXPECT_EQ(Slice(block, 8, 12), Bytes(4, 0x00));
  EXPECT_EQ(Slice(block, 12, 24), Bytes(12, 0xFF));
}

TEST(BuildSetupBlock, NameIsCutToLeaveRoomForItsTerminator) {
  // The name's length, and where its terminating zero lands.
  const std::pair<std::size_t, std::size_t> kCases[] = {{0, 24}, {79, 103}, {80, 103}, {300, 103}};
  for (const auto& [length, zeroAt] : kCases) {
    SCOPED_TRACE(length);
    const SetupBlock block =
        BuildSetupBlock("12345678", ExampleTexts(std::string(length, 'n'))).value();
    EXPECT_EQ(Slice(block, 24, zeroAt), Bytes(zeroAt - 24, 'n'));
    EXPECT_EQ(block[zeroAt], 0);
  }
}

// What a device or a file says is shown escaped; a quoted text is cut only past 100 characters.
TEST(ShownText, EscapesWhatIsNotPrintableAndCutsPastOneHundredCharacters) {
  EXPECT_EQ(EscapedText("a\x1B[2J\x7F\xFF b"), "a\\x1B[2J\\x7F\\xFF b");
  EXPECT_EQ(ShownText(std::string(100, 'x')), "'" + std::string(100, 'x') + "'");
  EXPECT_EQ(ShownText(std::string(101, 'x') + "\x1B"), "'" + std::string(100, 'x') + "...'");
}

TEST(BuildSetupBlock, RefusesASerialTooShortForAMacAddress) {
  EXPECT_FALSE(BuildSetupBlock("12345", ExampleTexts()).has_value());
  EXPECT_FALSE(BuildSetupBlock("", ExampleTexts()).has_value());
  EXPECT_TRUE(BuildSetupBlock("123456", ExampleTexts()).has_value());
}

}  // namespace
}  // namespace kvx
