#include "link/channel_ops.h"

#include <gtest/gtest.h>

#include <tuple>

#include "scripted_channel.h"

namespace kvx {
namespace {

using test::ScriptedChannel;

TEST(ChannelOps, RateZeroIsRefusedAndTheLinkClosesOnce) {
  ScriptedChannel ch;
  ProbeLink link(ch);
  ASSERT_EQ(OpenSerialChannel(link, std::string("port")), kOk);
  // The scripted port would take it: only the link's own check stands in the way.
  EXPECT_EQ(SetChannelBaudRate(link, 0), kErrPort);
  EXPECT_EQ(link.baudRate, 9600u);

  CloseProbeLink(link);  // not connected: nothing to close
  EXPECT_TRUE(ch.open);
  link.connected = true;
  CloseProbeLink(link);
  CloseProbeLink(link);
  EXPECT_EQ(ch.closes, 1);
}

TEST(ChannelOps, AFailedOrShortWriteIsNeverResent) {
  const std::uint8_t bytes[] = {1, 2, 3};
  for (bool fail : {false, true}) {
    ScriptedChannel ch;
    (fail ? ch.failWrites : ch.shortWrites) = 1;
    EXPECT_EQ(WriteChannelBytes(ch, sizeof bytes, bytes), kErrWrite);
    EXPECT_EQ(ch.writes.size(), fail ? 0u : 1u);
  }
}

// A channel given up on has nothing to send after a pause, so it pauses no more.
struct AbandonedChannel final : ForwardingChannel {
  using ForwardingChannel::ForwardingChannel;
  bool Abandoned() const override { return true; }
};

TEST(ChannelOps, DelayWaitsAtLeastTheTimeAcrossTheClockWrapUnlessAbandoned) {
  const std::tuple<std::uint32_t, bool, std::uint32_t> cases[] = {
      {0, false, 0}, {1, false, 1}, {300, false, 300}, {300, true, 0}};
  for (const auto& [ms, abandoned, waited] : cases) {
    ScriptedChannel ch;
    AbandonedChannel givenUp(ch);
    ch.now = 0xFFFFFF00u;
    DelayMs(abandoned ? static_cast<SerialChannel&>(givenUp) : ch, ms);
    EXPECT_EQ(ch.now - 0xFFFFFF00u, waited);
  }
}

}  // namespace
}  // namespace kvx
