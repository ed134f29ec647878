#include "sim/flash_model.h"

#include <gtest/gtest.h>

#include "sim_test_support.h"

namespace kvx::sim::testing {
namespace {

struct Sector {
  std::uint32_t start;
  std::uint32_t end;  // one past the last byte
};

class SectorErase : public ::testing::TestWithParam<Sector> {};

TEST_P(SectorErase, ClearsExactlyItsOwnSector) {
  const Sector sector = GetParam();
  FlashModel flash;
  const Bytes data = {0x12, 0x34};
  // Program the first and last byte of the sector, and the bytes around it.
  for (std::uint32_t at : {sector.start - 1, sector.start, sector.end - 1, sector.end}) {
    flash.Program(at, data.data(), 1);
  }
  ASSERT_EQ(flash.EraseSector(sector.start), FlashStatus::kOk);
  EXPECT_EQ(flash.Read(sector.start, 1), Bytes{kErasedByte});
  EXPECT_EQ(flash.Read(sector.end - 1, 1), Bytes{kErasedByte});
  // Outside the flash nothing was programmed, and everything reads as erased.
  const Bytes before = {sector.start > kFlashBegin ? std::uint8_t{0x12} : kErasedByte};
  const Bytes after = {sector.end < kFlashEnd ? std::uint8_t{0x12} : kErasedByte};
  EXPECT_EQ(flash.Read(sector.start - 1, 1), before);
  EXPECT_EQ(flash.Read(sector.end, 1), after);
}

INSTANTIATE_TEST_SUITE_P(
    Map, SectorErase,
    ::testing::Values(Sector{0x01008000, 0x0100C000}, Sector{0x0100C000, 0x01010000},
                      Sector{0x01010000, 0x01040000}, Sector{0x01040000, 0x01080000},
                      Sector{0x01080000, 0x010C0000}, Sector{0x010C0000, 0x01100000}));

TEST(FlashModel, EraseOfAnAddressWhereNoSectorBeginsFailsAndErasesNothing) {
  FlashModel flash;
  const Bytes data = {0x00};
  flash.Program(0x01008000, data.data(), 1);
  for (std::uint32_t address : {0u, 0x01000000u, 0x01004000u, 0x01008001u, 0x01100000u}) {
    EXPECT_EQ(flash.EraseSector(address), FlashStatus::kNoSuchSector) << std::hex << address;
  }
  EXPECT_EQ(flash.Read(0x01008000, 1), data);
}

struct ProgramCase {
  const char* name;
  std::uint32_t address;
  std::size_t size;
  FlashStatus expected;
};

class Programming : public ::testing::TestWithParam<ProgramCase> {};

TEST_P(Programming, WritesAllOrNothing) {
  FlashModel flash;
  const Bytes occupied = {0x5A};
  flash.Program(0x01040010, occupied.data(), 1);
  const ProgramCase c = GetParam();
  const Bytes data(c.size, 0xA5);
  const Bytes before = flash.Read(c.address, c.size);
  EXPECT_EQ(flash.Program(c.address, data.data(), c.size), c.expected);
  EXPECT_EQ(flash.Read(c.address, c.size), c.expected == FlashStatus::kOk ? data : before);
}

INSTANTIATE_TEST_SUITE_P(
    Cases, Programming,
    ::testing::Values(ProgramCase{"FirstBytes", 0x01008000, 104, FlashStatus::kOk},
                      ProgramCase{"LastBytes", 0x010FFFFC, 4, FlashStatus::kOk},
                      ProgramCase{"AcrossSectors", 0x0100BFFE, 4, FlashStatus::kOk},
                      ProgramCase{"Nothing", 0x01008000, 0, FlashStatus::kOk},
                      ProgramCase{"BelowFlash", 0x01007FFC, 4, FlashStatus::kOutsideFlash},
                      ProgramCase{"PastTheEnd", 0x010FFFFE, 4, FlashStatus::kOutsideFlash},
                      ProgramCase{"WrapsAround", 0xFFFFFFFE, 4, FlashStatus::kOutsideFlash},
                      ProgramCase{"OverAProgrammedByte", 0x01040000, 32, FlashStatus::kNotErased}),
    [](const auto& p) { return std::string(p.param.name); });

TEST(FlashModel, ProgrammingAnErasedByteAgainAsFFIsAllowedButNotOverData) {
  FlashModel flash;
  const Bytes ff = {0xFF};
  const Bytes zero = {0x00};
  EXPECT_EQ(flash.Program(0x01008000, ff.data(), 1), FlashStatus::kOk);
  EXPECT_EQ(flash.Program(0x01008000, zero.data(), 1), FlashStatus::kOk);
  EXPECT_EQ(flash.Program(0x01008000, ff.data(), 1), FlashStatus::kNotErased);
}

TEST(FlashModel, ReadsOutsideTheSectorsAsErased) {
  FlashModel flash;
  const Bytes data = {1, 2};
  flash.Program(0x01008000, data.data(), 2);
  EXPECT_EQ(flash.Read(0x01007FFF, 3), Bytes({0xFF, 1, 2}));
  EXPECT_EQ(flash.Read(0xFFFFFFFF, 2), Bytes({0xFF, 0xFF}));
}

}  // namespace
}  // namespace kvx::sim::testing
