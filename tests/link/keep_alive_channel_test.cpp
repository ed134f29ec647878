#include <gtest/gtest.h>

#include <vector>

#include "link/keep_alive_channel.h"
#include "scripted_channel.h"

namespace kvx::test {
namespace {

// How often the waiting thread gets to breathe, on the port's virtual clock.
TEST(KeepAliveChannel, RunsAtMostOncePerIntervalWhateverTheWaitIsMadeOf) {
  ScriptedChannel port;
  std::vector<std::uint32_t> calls;
  KeepAliveChannel channel(
      port, [&] { calls.push_back(port.now); }, 40);

  channel.SleepMs(130);  // slices of 40, 40, 40 and 10 ms
  EXPECT_EQ(calls, (std::vector<std::uint32_t>{40, 80, 120}));
  EXPECT_EQ(port.now, 130u);

  // Bytes that are already there take no time: one keep-alive for the whole burst.
  port.Feed({1, 2, 3});
  calls.clear();
  std::uint8_t byte = 0;
  for (int i = 0; i < 3; ++i) ASSERT_EQ(channel.ReadOne(byte), PortRead::kByte);
  EXPECT_TRUE(calls.empty()) << "only 10 ms since the last one";

  // A read that times out waits long enough for the next one.
  port.readTimeoutMs = 110;
  EXPECT_EQ(channel.ReadOne(byte), PortRead::kTimeout);
  EXPECT_EQ(channel.ReadOne(byte), PortRead::kTimeout);
  EXPECT_EQ(calls, (std::vector<std::uint32_t>{240}));
}

}  // namespace
}  // namespace kvx::test
