#include "sim/pty_simulator.h"

#include <gmock/gmock.h>
#include <gtest/gtest.h>

#include <fstream>
#include <iterator>
#include <memory>
#include <tuple>

#include "sim_test_support.h"
#include "temp_directory.h"

namespace kvx::sim::testing {
namespace {

// A damaged state file is refused with a message naming it, and nothing of it is loaded.
TEST(StateFile, RefusesDamagedFiles) {
  const test::TempDirectory dir;
  SimulatorOptions options;
  options.statePath = (dir / "probe.state").string();
  const std::string& path = options.statePath;
  DeviceState saved;
  saved.flash.Program(0x010FFFFF, Bytes{0xA5}.data(), 1);
  ASSERT_TRUE(SaveDeviceState(path, saved));
  std::ifstream in(path, std::ios::binary);
  const std::string good{std::istreambuf_iterator<char>(in), {}};
  using Damage = void (*)(std::string&);
  const std::vector<std::tuple<Damage, const char*>> damages = {
      {[](std::string& c) { c[0] = 'X'; }, "not a kvxsim state file"},
      {[](std::string& c) { c.pop_back(); }, "wrong size"},
      {[](std::string& c) { c[c.size() - 200] = '2'; }, "logic cells"}};
  for (const auto& [damage, reason] : damages) {
    std::string content = good;
    damage(content);
    std::ofstream(path, std::ios::binary) << content;
    DeviceState device;
    const Result<void> result = LoadDeviceState(path, device);
    ASSERT_FALSE(result);
    EXPECT_THAT(result.failure().text,
                ::testing::AllOf(::testing::HasSubstr(path), ::testing::HasSubstr(reason)));
    EXPECT_EQ(device.flash.Read(0x010FFFFF, 1), Bytes{0xFF});
    const Result<std::unique_ptr<PtySimulator>> started = PtySimulator::Start(options);
    ASSERT_FALSE(started);
    EXPECT_EQ(started.failure().text, result.failure().text);
  }
}

}  // namespace
}  // namespace kvx::sim::testing
