#include "link/channel_ops.h"

#include <gtest/gtest.h>

#include "scripted_channel.h"

namespace kvx {
namespace {

using test::ScriptedChannel;

TEST(ChannelOps, RateAndConnectionStateFollowWhatThePortDid) {
  ScriptedChannel ch;
  ch.refusedRates = {115200};
  ProbeLink link(ch);
  ASSERT_EQ(OpenSerialChannel(link, std::string("port")), kOk);
  EXPECT_EQ(link.baudRate, 9600u);
  EXPECT_FALSE(link.connected);
  // A refused rate, and rate 0 which would divide the reply time-out by zero.
  EXPECT_EQ(SetChannelBaudRate(link, 115200), kErrPort);
  EXPECT_EQ(SetChannelBaudRate(link, 0), kErrPort);
  EXPECT_EQ(link.baudRate, 9600u);

  CloseProbeLink(link);  // not connected: nothing to close
  EXPECT_TRUE(ch.open);
  link.connected = true;
  CloseProbeLink(link);
  CloseProbeLink(link);
  EXPECT_EQ(ch.closes, 1);
}

TEST(ChannelOps, ReadCases) {
  struct Case {
    const char* name;
    std::uint32_t arrivesAtMs;  // 0: waiting already; UINT32_MAX: never
    int lineErrors;
    bool portDead;
    ErrorCode result;
    std::uint32_t minMs, maxMs;  // the virtual time the read took
  };
  constexpr std::uint32_t kNever = UINT32_MAX;
  const Case cases[] = {
      {"a waiting byte is taken without a wait", 0, 0, false, kOk, 0, 0},
      {"silence gives up only after the time-out", kNever, 0, false, kErrTimeout, 201, 530},
      {"line errors do not end the read early", 150, 2, false, kOk, 150, 150},
      {"a vanished device ends the read", kNever, 0, true, kErrPortState, 0, 110},
  };
  for (const Case& c : cases) {
    SCOPED_TRACE(c.name);
    ScriptedChannel ch;
    ch.failReads = c.lineErrors;
    ch.portDead = c.portDead;
    if (c.arrivesAtMs != kNever) ch.Feed({0x5A}, c.arrivesAtMs);
    std::uint8_t byte = 0;
    EXPECT_EQ(ReadChannelByte(ch, byte, 200), c.result);
    EXPECT_EQ(byte, c.result == kOk ? 0x5A : 0);
    EXPECT_GE(ch.now, c.minMs);
    EXPECT_LE(ch.now, c.maxMs);
  }
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

TEST(ChannelOps, DelayWaitsAtLeastTheTimeAcrossTheClockWrap) {
  for (std::uint32_t ms : {0u, 1u, 300u}) {
    ScriptedChannel ch;
    ch.now = 0xFFFFFF00u;
    DelayMs(ch, ms);
    EXPECT_EQ(ch.now - 0xFFFFFF00u, ms);
  }
}

}  // namespace
}  // namespace kvx
