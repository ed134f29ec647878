#include "sim/state_file.h"

#include <gtest/gtest.h>

#include <unistd.h>

#include <cstdio>
#include <filesystem>
#include <fstream>
#include <string>

#include "sim_test_support.h"

namespace kvx::sim::testing {
namespace {

namespace fs = std::filesystem;

class StateFile : public ::testing::Test {
 protected:
  void SetUp() override {
    const std::string test = ::testing::UnitTest::GetInstance()->current_test_info()->name();
    directory_ = fs::temp_directory_path() / ("kvxsim_state_" + std::to_string(getpid()) + "_" +
                                              test.substr(0, test.find('/')));
    fs::create_directories(directory_);
    path_ = (directory_ / "probe.state").string();
  }
  void TearDown() override { fs::remove_all(directory_); }

  static DeviceState Programmed() {
    DeviceState device;
    const Bytes data = {0xAA, 0x55, 0x55, 0xAA};
    device.flash.Program(0x01040000, data.data(), data.size());
    device.flash.Program(kFlashEnd - 4, data.data(), data.size());
    device.logic.ProgramRow(3, std::string(kFuseRowLength, '0'));
    device.logic.ProgramSignature(std::string(kSignatureLength / 2, '0') +
                                  std::string(kSignatureLength / 2, '1'));
    return device;
  }

  void WriteFile(const std::string& content) { std::ofstream(path_, std::ios::binary) << content; }

  std::string ReadFile() {
    std::ifstream in(path_, std::ios::binary);
    return {std::istreambuf_iterator<char>(in), {}};
  }

  fs::path directory_;
  std::string path_;
};

TEST_F(StateFile, KeepsFlashAndLogicAcrossASaveAndLoad) {
  const DeviceState saved = Programmed();
  ASSERT_TRUE(SaveDeviceState(path_, saved).ok);
  EXPECT_FALSE(fs::exists(path_ + ".tmp"));
  DeviceState loaded;
  const StateFileResult result = LoadDeviceState(path_, loaded);
  ASSERT_TRUE(result.ok) << result.message;
  EXPECT_EQ(loaded.flash.Image(), saved.flash.Image());
  EXPECT_EQ(loaded.logic.Row(3), saved.logic.Row(3));
  EXPECT_EQ(loaded.logic.Row(4), saved.logic.Row(4));
  EXPECT_EQ(loaded.logic.Signature(), saved.logic.Signature());
}

TEST_F(StateFile, MissingFileLeavesTheDeviceErased) {
  DeviceState device;
  EXPECT_TRUE(LoadDeviceState(path_, device).ok);
  EXPECT_EQ(device.flash.Read(0x01040000, 1), Bytes{kErasedByte});
}

struct Damage {
  const char* name;
  void (*apply)(std::string& content);
  const char* message;
};

class DamagedStateFile : public StateFile, public ::testing::WithParamInterface<Damage> {};

TEST_P(DamagedStateFile, IsRefusedWithAReasonAndChangesNothing) {
  ASSERT_TRUE(SaveDeviceState(path_, Programmed()).ok);
  std::string content = ReadFile();
  GetParam().apply(content);
  WriteFile(content);
  DeviceState device;
  const StateFileResult result = LoadDeviceState(path_, device);
  EXPECT_FALSE(result.ok);
  EXPECT_NE(result.message.find(path_), std::string::npos) << result.message;
  EXPECT_NE(result.message.find(GetParam().message), std::string::npos) << result.message;
  EXPECT_EQ(device.flash.Read(0x01040000, 1), Bytes{kErasedByte});
  EXPECT_EQ(device.logic.Row(3), std::string(kFuseRowLength, '1'));
}

INSTANTIATE_TEST_SUITE_P(
    Cases, DamagedStateFile,
    ::testing::Values(
        Damage{"Empty", [](std::string& c) { c.clear(); }, "not a kvxsim state file"},
        Damage{"OtherFile", [](std::string& c) { c[0] = 'X'; }, "not a kvxsim state file"},
        Damage{"Truncated", [](std::string& c) { c.pop_back(); }, "wrong size"},
        Damage{"Extended", [](std::string& c) { c.push_back('1'); }, "wrong size"},
        Damage{"BadFuseCharacter", [](std::string& c) { c[c.size() - 200] = '2'; }, "logic cells"}),
    [](const auto& p) { return std::string(p.param.name); });

TEST_F(StateFile, UnreadablePathIsAnError) {
  DeviceState device;
  const StateFileResult result = LoadDeviceState(directory_.string(), device);
  EXPECT_FALSE(result.ok);
  EXPECT_FALSE(SaveDeviceState((directory_ / "no" / "such" / "dir").string(), device).ok);
}

}  // namespace
}  // namespace kvx::sim::testing
