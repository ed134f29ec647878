#include "link/channel_ops.h"

#include <gtest/gtest.h>

#include "scripted_channel.h"

namespace kvx {
namespace {

using test::ScriptedChannel;

TEST(ChannelOps, OpenStartsAt9600WithoutConnecting) {
  ScriptedChannel ch;
  ProbeLink link(ch);
  ASSERT_EQ(OpenSerialChannel(link, "port"), kOk);
  EXPECT_EQ(link.baudRate, 9600u);
  EXPECT_FALSE(link.connected);
}

TEST(ChannelOps, AFailedOpenIsAPortError) {
  ScriptedChannel ch;
  ch.failOpen = true;
  ProbeLink link(ch);
  EXPECT_EQ(OpenSerialChannel(link, "port"), kErrPort);
  EXPECT_FALSE(ch.open);
}

TEST(ChannelOps, ARefusedRateKeepsTheRateInUse) {
  ScriptedChannel ch;
  ch.refusedRates = {115200};
  ProbeLink link(ch);
  ASSERT_EQ(OpenSerialChannel(link, "port"), kOk);
  EXPECT_EQ(SetChannelBaudRate(link, 115200), kErrPort);
  EXPECT_EQ(SetChannelBaudRate(link, 0), kErrPort);
  EXPECT_EQ(link.baudRate, 9600u);
  EXPECT_EQ(ch.rate, 9600u);
  EXPECT_EQ(SetChannelBaudRate(link, 57600), kOk);
  EXPECT_EQ(link.baudRate, 57600u);
}

TEST(ChannelOps, CloseProbeLinkActsOnlyWhileConnected) {
  ScriptedChannel ch;
  ProbeLink link(ch);
  ASSERT_EQ(OpenSerialChannel(link, "port"), kOk);
  CloseProbeLink(link);
  EXPECT_TRUE(ch.open);
  link.connected = true;
  CloseProbeLink(link);
  CloseProbeLink(link);
  EXPECT_FALSE(ch.open);
  EXPECT_FALSE(link.connected);
  EXPECT_EQ(ch.closes, 1);
}

TEST(ChannelOps, AWaitingByteIsReturnedWithoutConsultingTheClock) {
  ScriptedChannel ch;
  ch.Feed({0x5A});
  std::uint8_t byte = 0;
  EXPECT_EQ(ReadChannelByte(ch, byte, 200), kOk);
  EXPECT_EQ(byte, 0x5A);
  EXPECT_EQ(ch.now, 0u);
}

TEST(ChannelOps, ReadTimesOutOnlyAfterMoreThanTheTimeOut) {
  ScriptedChannel ch;
  std::uint8_t byte = 0;
  EXPECT_EQ(ReadChannelByte(ch, byte, 200), kErrTimeout);
  EXPECT_GT(ch.now, 200u);
  // The first read and up to two more port read time-outs beyond the limit.
  EXPECT_LE(ch.now, 200u + 3 * ScriptedChannel::kPortReadTimeoutMs);
}

TEST(ChannelOps, ALineErrorDoesNotEndTheReadEarly) {
  ScriptedChannel ch;
  ch.failReads = 2;
  ch.Feed({0x77}, 150);
  std::uint8_t byte = 0;
  EXPECT_EQ(ReadChannelByte(ch, byte, 200), kOk);
  EXPECT_EQ(byte, 0x77);
}

TEST(ChannelOps, AVanishedDeviceEndsTheRead) {
  ScriptedChannel ch;
  ch.portDead = true;
  std::uint8_t byte = 0;
  EXPECT_EQ(ReadChannelByte(ch, byte, 200), kErrPortState);
}

TEST(ChannelOps, WritesAreNeverResent) {
  const std::uint8_t bytes[] = {1, 2, 3};
  struct Case {
    int failWrites;
    int shortWrites;
    ErrorCode result;
    std::size_t writesSeen;
  };
  for (const Case& c : {Case{0, 0, kOk, 1}, Case{1, 0, kErrWrite, 0}, Case{0, 1, kErrWrite, 1}}) {
    ScriptedChannel ch;
    ch.failWrites = c.failWrites;
    ch.shortWrites = c.shortWrites;
    EXPECT_EQ(WriteChannelBytes(ch, sizeof bytes, bytes), c.result);
    EXPECT_EQ(ch.writes.size(), c.writesSeen);
  }
}

TEST(ChannelOps, DelayWaitsAtLeastTheTime) {
  for (std::uint32_t ms : {0u, 1u, 300u}) {
    ScriptedChannel ch;
    ch.now = 0xFFFFFF00u;  // across the clock's wrap-around
    DelayMs(ch, ms);
    EXPECT_EQ(ch.now - 0xFFFFFF00u, ms);
  }
}

}  // namespace
}  // namespace kvx
