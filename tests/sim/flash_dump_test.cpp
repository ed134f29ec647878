#include <gtest/gtest.h>

#include <string>

#include "program_run.h"
#include "sim/state_file.h"

namespace kvx::sim {
namespace {

// kvxsim shows only the programmed lines of a state file's flash (an erased one in one line),
// and counts programmed rows.
TEST(FlashDump, KvxsimDumpsAStateFileAndRefusesAMissingOne) {
  DeviceState device;
  const std::uint8_t setup[] = {0x02, 0xB7, 0xE9, 0x12, 0x34, 0x56, 0xFF, 0xFF, 0x0A,
                                0x00, 0x00, 0x01, 0xFF, 0xFF, 0xFF, 0x00, 'c',  'f'};
  ASSERT_EQ(device.flash.Program(0x01008000, setup, sizeof setup), FlashStatus::kOk);
  const std::uint8_t last = 0x41;
  ASSERT_EQ(device.flash.Program(kFlashEnd - 1, &last, 1), FlashStatus::kOk);
  ASSERT_TRUE(device.logic.ProgramRow(0, std::string(kFuseRowLength - 1, '1') + "0"));
  ASSERT_TRUE(device.logic.ProgramRow(133, std::string(kFuseRowLength, '0')));
  const std::string signature = "0" + std::string(kSignatureLength - 1, '1');
  ASSERT_TRUE(device.logic.ProgramSignature(signature));
  const test::TempDirectory dir;
  const std::string path = (dir / "probe.state").string();
  ASSERT_TRUE(SaveDeviceState(path, device).ok);

  const auto kvxsim = [](const std::string& options) {
    return test::RunProgram(KVXSIM_PATH, options);
  };
  const test::ProgramRun dumped = kvxsim("--state " + path + " --dump-flash");
  EXPECT_EQ(dumped.status, 0);
  EXPECT_EQ(dumped.out,
            "01008000  02 B7 E9 12 34 56 FF FF  0A 00 00 01 FF FF FF 00  |....4V..........|\n"
            "01008010  63 66 FF FF FF FF FF FF  FF FF FF FF FF FF FF FF  |cf..............|\n"
            "010FFFF0  FF FF FF FF FF FF FF FF  FF FF FF FF FF FF FF 41  |...............A|\n"
            "logic signature: " +
                signature + "\nlogic fuse rows programmed: 2 of 134\n");
  const std::string erased = (dir / "erased.state").string();
  ASSERT_TRUE(SaveDeviceState(erased, DeviceState()).ok);
  EXPECT_EQ(kvxsim("--state " + erased + " --dump-flash").out,
            "flash: all erased\nlogic signature: " + std::string(kSignatureLength, '1') +
                "\nlogic fuse rows programmed: 0 of 134\n");
  EXPECT_NE(kvxsim("--state " + (dir / "missing").string() + " --dump-flash").status, 0);
  EXPECT_NE(kvxsim("--dump-flash").status, 0);
}

}  // namespace
}  // namespace kvx::sim
