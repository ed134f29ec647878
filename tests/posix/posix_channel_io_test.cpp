// Reading, writing, rates and time of the POSIX port, with the system's answers scripted.
#include <cerrno>
#include <cstdint>
#include <vector>

#include <gtest/gtest.h>

#include "case_name.h"
#include "fake_posix_system.h"
#include "link/posix/posix_serial_channel.h"

namespace kvx::test {
namespace {

class PosixChannelIo : public ::testing::Test {
 protected:
  void SetUp() override { ASSERT_TRUE(channel.OpenPort("/dev/ttyUSB0")); }

  // Reads bytes until the port stops delivering them.
  std::vector<std::uint8_t> ReadAll() {
    std::vector<std::uint8_t> bytes;
    std::uint8_t byte = 0;
    while (channel.ReadOne(byte) == PortRead::kByte) bytes.push_back(byte);
    return bytes;
  }

  FakePosixSystem system;
  PosixSerialChannel channel{system};
};

TEST_F(PosixChannelIo, WaitingBytesComeFromOneReadAndAreHandedOutWithoutSystemCalls) {
  system.Receive({0x10, 0x02, 0x55});
  std::uint8_t byte = 0;

  ASSERT_EQ(channel.ReadOne(byte), PortRead::kByte);
  EXPECT_EQ(byte, 0x10);
  const std::size_t callsAfterFirst = system.calls.size();
  ASSERT_EQ(channel.ReadOne(byte), PortRead::kByte);
  EXPECT_EQ(byte, 0x02);
  ASSERT_EQ(channel.ReadOne(byte), PortRead::kByte);
  EXPECT_EQ(byte, 0x55);

  EXPECT_EQ(system.calls.size(), callsAfterFirst);
  EXPECT_EQ(system.CountOf(Call::kRead), 1);
}

TEST_F(PosixChannelIo, ByteArrivingDuringTheWaitIsDelivered) {
  system.ReceiveDuringPoll({0xAB});
  std::uint8_t byte = 0;
  EXPECT_EQ(channel.ReadOne(byte), PortRead::kByte);
  EXPECT_EQ(byte, 0xAB);
}

TEST_F(PosixChannelIo, NothingArrivingTimesOutAfterTheReadTimeout) {
  const std::int64_t start = system.NowMs();
  std::uint8_t byte = 0;

  EXPECT_EQ(channel.ReadOne(byte), PortRead::kTimeout);

  EXPECT_GE(system.NowMs() - start, 110);
  EXPECT_LT(system.NowMs() - start, 120);
  EXPECT_TRUE(channel.ClearErrors());
}

struct InterruptedCase {
  const char* name;
  Call call;
};

class PosixChannelInterrupted : public ::testing::TestWithParam<InterruptedCase> {};

// A signal must neither lose a byte nor end the wait early.
TEST_P(PosixChannelInterrupted, ReadRetriesAfterEintr) {
  FakePosixSystem system;
  PosixSerialChannel channel(system);
  ASSERT_TRUE(channel.OpenPort("/dev/ttyUSB0"));
  system.Fail(GetParam().call, EINTR, 2);
  system.ReceiveDuringPoll({0x42});

  std::uint8_t byte = 0;
  EXPECT_EQ(channel.ReadOne(byte), PortRead::kByte);
  EXPECT_EQ(byte, 0x42);
  EXPECT_TRUE(channel.ClearErrors());
}

INSTANTIATE_TEST_SUITE_P(Calls, PosixChannelInterrupted,
                         ::testing::Values(InterruptedCase{"Read", Call::kRead},
                                           InterruptedCase{"Poll", Call::kPoll}),
                         CaseName());

struct HangUpCase {
  const char* name;
  void (*arrange)(FakePosixSystem&);
};

class PosixChannelHangUp : public ::testing::TestWithParam<HangUpCase> {};

// A vanished device must fail the port for good, not look like silence.
TEST_P(PosixChannelHangUp, FailsThePortUntilClosed) {
  FakePosixSystem system;
  PosixSerialChannel channel(system);
  ASSERT_TRUE(channel.OpenPort("/dev/ttyUSB0"));
  GetParam().arrange(system);
  std::uint8_t byte = 0;

  EXPECT_EQ(channel.ReadOne(byte), PortRead::kFailed);
  EXPECT_FALSE(channel.ClearErrors());
  const std::size_t calls = system.calls.size();
  EXPECT_EQ(channel.ReadOne(byte), PortRead::kFailed);
  EXPECT_EQ(channel.WriteBlock(&byte, 1), -1);
  EXPECT_EQ(system.calls.size(), calls);

  channel.ClosePort();
  ASSERT_TRUE(channel.OpenPort("/dev/ttyUSB0"));
  EXPECT_TRUE(channel.ClearErrors());
}

INSTANTIATE_TEST_SUITE_P(
    Signs, PosixChannelHangUp,
    ::testing::Values(
        HangUpCase{"PollHangUp", [](FakePosixSystem& s) { s.pollHangUps.push_back(POLLHUP); }},
        HangUpCase{"PollError", [](FakePosixSystem& s) { s.pollHangUps.push_back(POLLERR); }},
        HangUpCase{"PollInvalid", [](FakePosixSystem& s) { s.pollHangUps.push_back(POLLNVAL); }},
        HangUpCase{"ReadIoError", [](FakePosixSystem& s) { s.Fail(Call::kRead, EIO); }},
        HangUpCase{"ReadEndOfFile", [](FakePosixSystem& s) { s.endOfInput = true; }}),
    CaseName());

TEST_F(PosixChannelIo, HangUpWithBytesStillWaitingDeliversThemFirst) {
  system.pollHangUps.push_back(POLLIN | POLLHUP);
  system.Receive({0x01, 0x02});
  system.endOfInput = true;
  system.Fail(Call::kRead, EAGAIN);  // the bytes are seen only after the poll

  EXPECT_EQ(ReadAll(), (std::vector<std::uint8_t>{0x01, 0x02}));
  EXPECT_FALSE(channel.ClearErrors());
}

TEST_F(PosixChannelIo, PurgeDiscardsWhatWeHoldAndWhatTheDriverHolds) {
  system.Receive({0x01, 0x02, 0x03});
  std::uint8_t byte = 0;
  ASSERT_EQ(channel.ReadOne(byte), PortRead::kByte);

  channel.PurgeInput();

  EXPECT_EQ(system.CountOf(Call::kTcFlush), 1);
  EXPECT_EQ(channel.ReadOne(byte), PortRead::kTimeout);
}

TEST_F(PosixChannelIo, WriteDeliversTheWholeBlockThroughPartialAndInterruptedWrites) {
  const std::vector<std::uint8_t> block{1, 2, 3, 4, 5, 6, 7};
  system.largestWrite = 3;
  system.Fail(Call::kWrite, EINTR);

  EXPECT_EQ(channel.WriteBlock(block.data(), block.size()), 7);
  EXPECT_EQ(system.written, block);
}

TEST_F(PosixChannelIo, WriteThatTheDeviceStopsTakingReturnsTheShortCountAtTheDeadline) {
  const std::vector<std::uint8_t> block(10, 0x55);
  system.writeRoom = 4;
  const std::int64_t start = system.NowMs();

  EXPECT_EQ(channel.WriteBlock(block.data(), block.size()), 4);

  EXPECT_GE(system.NowMs() - start, 10 * 10 + 100);
  EXPECT_TRUE(channel.ClearErrors());
}

TEST_F(PosixChannelIo, WriteErrorFailsTheWrite) {
  const std::uint8_t byte = 0x55;
  system.Fail(Call::kWrite, EIO);
  EXPECT_EQ(channel.WriteBlock(&byte, 1), -1);
  EXPECT_FALSE(channel.ClearErrors());
}

TEST(PosixChannelClosed, RefusesEverythingWithoutSystemCalls) {
  FakePosixSystem system;
  PosixSerialChannel channel(system);
  std::uint8_t byte = 0;

  EXPECT_EQ(channel.ReadOne(byte), PortRead::kFailed);
  EXPECT_EQ(channel.WriteBlock(&byte, 1), -1);
  EXPECT_FALSE(channel.ApplyRate(9600));
  EXPECT_FALSE(channel.ClearErrors());
  channel.PurgeInput();
  EXPECT_TRUE(system.calls.empty());
}

struct RateCase {
  const char* name;
  std::uint32_t requested;
  std::optional<std::uint32_t> fastestRate;
  bool accepted;
  std::uint32_t rateAfter;
};

class PosixChannelRate : public ::testing::TestWithParam<RateCase> {};

TEST_P(PosixChannelRate, TakesTheRateOrKeepsThePreviousOne) {
  const RateCase& c = GetParam();
  FakePosixSystem system;
  PosixSerialChannel channel(system);
  ASSERT_TRUE(channel.OpenPort("/dev/ttyUSB0"));
  ASSERT_TRUE(channel.ApplyRate(57600));
  system.fastestRate = c.fastestRate;

  EXPECT_EQ(channel.ApplyRate(c.requested), c.accepted);
  EXPECT_EQ(system.rate, c.rateAfter);
}

INSTANTIATE_TEST_SUITE_P(
    Rates, PosixChannelRate,
    ::testing::Values(RateCase{"Standard", 115200, std::nullopt, true, 115200},
                      RateCase{"BetweenStandardOnes", 250000, std::nullopt, true, 250000},
                      RateCase{"Zero", 0, std::nullopt, false, 57600},
                      RateCase{"DriverFallsBack", 230400, 115200, false, 57600},
                      RateCase{"DriverFallsBackFromOtherRate", 250000, 115200, false, 57600},
                      RateCase{"WithinTolerance", 117000, 115200, true, 115200}),
    CaseName());

TEST_F(PosixChannelIo, RateRefusedByTheSystemKeepsThePreviousRate) {
  system.Fail(Call::kTcSetAttr, EINVAL);
  EXPECT_FALSE(channel.ApplyRate(19200));
  EXPECT_EQ(system.rate, 9600u);
  EXPECT_EQ(system.CountOf(Call::kWriteRecord), 1);
}

TEST_F(PosixChannelIo, SleepRunsOnAfterASignalUntilTheDeadline) {
  system.Fail(Call::kSleep, EINTR);
  const std::int64_t start = system.NowMs();

  channel.SleepMs(300);

  EXPECT_EQ(system.NowMs() - start, 300);
  EXPECT_EQ(system.CountOf(Call::kSleep), 2);
}

TEST_F(PosixChannelIo, TickWrapsAt32Bits) {
  system.nowNs = ((std::int64_t{1} << 32) + 5) * 1'000'000;
  EXPECT_EQ(channel.TickMs(), 5u);
}

}  // namespace
}  // namespace kvx::test
