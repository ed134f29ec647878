#include <gmock/gmock.h>
#include <gtest/gtest.h>

#include <cstdint>
#include <iterator>
#include <string>
#include <vector>

#include "firmware_update_run.h"

namespace kvx::test {
namespace {

using ::testing::ElementsAre;

// Both tools' images: objcopy's ends with an S7 record, srec_cat's with an S5 record count.
// Only the three firmware sectors are erased: what lies below them stays.
TEST(UpdateFirmware, ProgramsAToolsImageAndTheMarkerLast) {
  const std::vector<std::uint8_t> binary = PatternBytes(4000);
  const std::vector<std::uint8_t> kept = {0x12, 0x34, 0x56, 0x78};
  for (const bool objcopy : {true, false}) {  // srec_cat starts a record at each 32-byte line
    SCOPED_TRACE(objcopy ? "objcopy" : "srec_cat");
    FirmwareUpdate update;
    const SRecordTools tools(update.updates.Path());
    const std::string image = objcopy ? tools.Objcopy(binary, kImageStart, 32)
                                      : tools.SrecCat(binary, kImageStart, 4, 78);
    update.updates.Write(kImageName, image);
    const std::uint32_t below[] = {kSetupSector, kSpareSectorLow, kSpareSectorHigh,
                                   kFirmwareAreaStart - 4};
    for (const std::uint32_t address : below)
      ASSERT_EQ(ProgramFlash(update.host.link, address, kept.size(), kept.data()), kOk);
    ASSERT_EQ(update.Run(), kOk);

    EXPECT_EQ(update.host.ReadFlash(kImageStart, binary.size()), binary);
    EXPECT_THAT(update.host.ReadFlash(kFirmwareAreaStart, 4), ElementsAre(0xAA, 0x55, 0x55, 0xAA));
    for (const std::uint32_t address : below)
      EXPECT_EQ(update.host.ReadFlash(address, kept.size()), kept) << address;
    const std::vector<sim::ProgramRecord> log = update.host.ProgramLog();
    ASSERT_EQ(log.size(), std::size(below) + (objcopy ? 125 : 126) + 1);
    EXPECT_EQ(log.back().address, kImageMarkerAddress);
    EXPECT_EQ(log.back().length, 4u);

    const std::vector<std::string>& statuses = update.services.statuses;
    EXPECT_EQ(statuses.front(), "Firmware: Erasing Flash ...");
    EXPECT_EQ(statuses[1], "Firmware: Programming Flash ...");
    EXPECT_EQ(statuses.back(), "Firmware: Programming Flash ... passed!");
    EXPECT_THAT(CompletedTotals(update.services), ElementsAre(kFirmwareAreaBytes, image.size()));
  }
}

}  // namespace
}  // namespace kvx::test
