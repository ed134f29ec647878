#include "sim/loader_engine.h"

#include <gtest/gtest.h>

#include <string>

#include "sim_test_support.h"

namespace kvx::sim::testing {
namespace {

const Bytes kPingFrame = {0x10, 0x02, 0x00, 0x01, 0x01, 0x10, 0x03, 0x00};

TEST(StartUp, PingIsAnsweredWithAThreeBytePayloadAfterWakeUpNoise) {
  EngineHarness harness;
  const std::vector<Transmission> out = harness.Feed(Concat({0xDB, 0xDE}, kPingFrame));
  ASSERT_EQ(out.size(), 1u);
  EXPECT_EQ(out[0].wire, kPingFrame);
  EXPECT_EQ(out[0].nextRate, 0u);
  EXPECT_EQ(out[0].requestWireSize, kPingFrame.size());
}

struct SpeedCase {
  const char* name;
  std::uint32_t requested;
  std::optional<std::uint32_t> forced;
  std::uint32_t named;
  std::uint32_t next;
};

class SpeedRequest : public ::testing::TestWithParam<SpeedCase> {};

TEST_P(SpeedRequest, NamesTheRateItListensAtNext) {
  SimulatorOptions options;
  options.faults.speedReplyRate = GetParam().forced;
  EngineHarness harness(options);
  const Transmission t = harness.Exchange(Concat({0x00, 0x05, 0x03}, U32(GetParam().requested)));
  EXPECT_EQ(t.reply, Concat({0x00, 0x05, 0x03}, U32(GetParam().named)));
  EXPECT_EQ(t.nextRate, GetParam().next);
}

INSTANTIATE_TEST_SUITE_P(
    Cases, SpeedRequest,
    ::testing::Values(SpeedCase{"Standard", 115200, std::nullopt, 115200, 115200},
                      SpeedCase{"BetweenStandardRates", 50000, std::nullopt, 50000, 50000},
                      SpeedCase{"TooFastStaysPut", 1000000, std::nullopt, 9600, 9600},
                      SpeedCase{"ZeroStaysPut", 0, std::nullopt, 9600, 9600},
                      SpeedCase{"ForcedOther", 115200, 57600u, 57600, 57600},
                      SpeedCase{"ForcedZero", 115200, 0u, 0, 0}),
    [](const auto& p) { return std::string(p.param.name); });

TEST(StartUp, TheWorkedSpeedFrameGetsAByteExactReply) {
  EngineHarness harness;
  const Bytes speed = {0x10, 0x02, 0x00, 0x05, 0x03, 0x00, 0x01, 0xC2, 0x00, 0x10, 0x03, 0xC5};
  const std::vector<Transmission> out = harness.Feed(speed);
  ASSERT_EQ(out.size(), 1u);
  EXPECT_EQ(out[0].wire, speed);
}

TEST(StartUp, AnswersWithTheRateItListensAtAfterASwitch) {
  EngineHarness harness;
  harness.Engine().SetListenRate(38400);
  EXPECT_EQ(harness.Exchange(Concat({0x00, 0x05, 0x03}, U32(7))).nextRate, 38400u);
}

TEST(LinkHeader, ReplyEchoesSequenceAndFlagsAndCarriesItsLength) {
  EngineHarness harness;
  // The first request after start-up, 'r', goes out as 10 02 10 10 01 72 10 03 63.
  std::vector<Transmission> out =
      harness.Feed({0x10, 0x02, 0x10, 0x10, 0x01, 0x72, 0x10, 0x03, 0x63});
  ASSERT_EQ(out.size(), 1u);
  EXPECT_EQ(out[0].wire, Bytes({0x10, 0x02, 0x10, 0x10, 0x01, 0x00, 0x10, 0x03, 0x11}));
  // The next, 'd' with sequence 1: 10 02 50 01 64 10 03 35.
  out = harness.Feed({0x10, 0x02, 0x50, 0x01, 0x64, 0x10, 0x03, 0x35});
  ASSERT_EQ(out.size(), 1u);
  EXPECT_EQ(Bytes(out[0].reply.begin(), out[0].reply.begin() + 3), Bytes({0x50, 0x0F, 0x64}));
}

TEST(LinkHeader, LongRepliesPutTheLengthHighBitsInByteZero) {
  EngineHarness harness;
  const Transmission t =
      harness.Exchange(Request(Concat(Concat({'e'}, U32(0x01008000)), U16(300)), 3));
  ASSERT_EQ(t.reply.size(), 2u + 307u);
  EXPECT_EQ(t.reply[0], 0xD1);  // sequence 3, flag 0x10, length bit 8
  EXPECT_EQ(t.reply[1], 0x33);  // 307 = 0x133
}

TEST(LinkHeader, FramesWhoseLengthFieldDisagreesAreIgnored) {
  EngineHarness harness;
  EXPECT_TRUE(harness.Feed(Frame({0x10, 0x02, 'r'})).empty());
  EXPECT_TRUE(harness.Feed(Frame({0x10, 0x00})).empty());
  EXPECT_EQ(harness.Engine().Counters().badFrames, 2u);
  EXPECT_EQ(harness.Engine().Counters().requests, 0u);
}

struct IdentityCase {
  const char* name;
  std::string serial;
  std::size_t length;
};

class Identity : public ::testing::TestWithParam<IdentityCase> {};

TEST_P(Identity, ReplyCarriesTheWordsAndSerialAsConfigured) {
  SimulatorOptions options;
  options.identity.loaderWord = 0x0203;
  options.identity.firmwareWord = 0xCE69;
  options.identity.logicWord = 8300;
  options.identity.serial = GetParam().serial;
  EngineHarness harness(options);
  const Bytes reply = harness.Command({'d'});
  ASSERT_EQ(reply.size(), GetParam().length);
  Bytes expected = {'d', 0x02, 0x03, 0xCE, 0x69, 0x20, 0x6C};
  expected.insert(expected.end(), GetParam().serial.begin(), GetParam().serial.end());
  EXPECT_EQ(reply, expected);
}

INSTANTIATE_TEST_SUITE_P(Forms, Identity,
                         ::testing::Values(IdentityCase{"Short", "12345678", 15},
                                           IdentityCase{"Long", "123456789C", 17}),
                         [](const auto& p) { return std::string(p.param.name); });

TEST(Identity, DefaultsAreLoader103Firmware104Logic104) {
  EngineHarness harness;
  EXPECT_EQ(harness.Command({'d'}), Bytes({'d', 0x00, 0x67, 0x0E, 0x68, 0x1F, 0xA8, '1', '2', '3',
                                           '4', '5', '6', '7', '8'}));
}

TEST(Identity, RIsNotAnsweredWithR) {
  EXPECT_EQ(EngineHarness().Command({'r'}), Bytes{0x00});
}

Bytes Erase(std::uint32_t address) {
  return Concat({'g'}, U32(address));
}

Bytes Program(std::uint32_t address, const Bytes& data) {
  return Concat(Concat(Concat({'h'}, U32(address)), U16(static_cast<std::uint16_t>(data.size()))),
                data);
}

Bytes Read(std::uint32_t address, std::uint16_t n) {
  return Concat(Concat({'e'}, U32(address)), U16(n));
}

TEST(FlashCommands, EraseProgramAndReadBack) {
  EngineHarness harness;
  const Bytes marker = {0xAA, 0x55, 0x55, 0xAA};
  EXPECT_EQ(harness.Command(Erase(0x01040000)), Bytes({'g', 0}));
  EXPECT_EQ(harness.Command(Program(0x01040000, marker)), Concat({'h', 0}, U32(0x01040004)));
  EXPECT_EQ(harness.Command(Read(0x01040000, 4)),
            Concat(Concat(Concat({'e'}, U32(0x01040000)), U16(4)), marker));
  EXPECT_EQ(harness.Command(Read(0x01040000, 0)), Concat(Concat({'e'}, U32(0x01040000)), U16(0)));
}

TEST(FlashCommands, ReportFailuresInTheStatusByte) {
  EngineHarness harness;
  const Bytes data = {1, 2, 3, 4};
  EXPECT_EQ(harness.Command(Erase(0x01008004)), Bytes({'g', 1}));
  EXPECT_EQ(harness.Command(Program(0x01000000, data)), Concat({'h', 2}, U32(0x01000000)));
  ASSERT_EQ(harness.Command(Program(0x01008000, data)), Concat({'h', 0}, U32(0x01008004)));
  EXPECT_EQ(harness.Command(Program(0x01008000, data)), Concat({'h', 3}, U32(0x01008000)));
}

TEST(FlashCommands, ReadsUpToWhatOneReplyHolds) {
  EngineHarness harness;
  EXPECT_EQ(harness.Command(Read(0x01008000, 1491)).size(), 1498u);
  EXPECT_EQ(harness.Command(Read(0x01008000, 1492)), Bytes({'?', 'e'}));
}

TEST(Commands, MalformedAndUnknownRequestsAreRefused) {
  EngineHarness harness;
  EXPECT_EQ(harness.Command({'z'}), Bytes({'?', 'z'}));
  EXPECT_EQ(harness.Command({'g', 0x01, 0x00}), Bytes({'?', 'g'}));
  EXPECT_EQ(harness.Command(Concat(Program(0x01008000, {1, 2}), {3})), Bytes({'?', 'h'}));
  EXPECT_EQ(harness.Command({'i', 2}), Bytes({'?', 'i'}));
  EXPECT_EQ(harness.Command({'d', 0}), Bytes({'?', 'd'}));
}

TEST(Commands, StartFirmwareIsAnsweredAndTheLoaderServesOn) {
  EngineHarness harness;
  EXPECT_EQ(harness.Command({'q'}), Bytes{'q'});
  EXPECT_EQ(harness.Engine().Counters().firmwareStarts, 1u);
  EXPECT_EQ(harness.Command({'r'}), Bytes{0x00});
}

Bytes Row(std::uint8_t row, const std::string& fuses) {
  return Concat({'l', row}, Bytes(fuses.begin(), fuses.end()));
}

std::string Alternating(std::size_t n) {
  std::string text;
  for (std::size_t i = 0; i < n; ++i) text += i % 3 == 0 ? '0' : '1';
  return text;
}

TEST(LogicCommands, AreRefusedOutsideIspModeAndLeaveTheDeviceAlone) {
  EngineHarness harness;
  for (std::uint8_t letter : Bytes{'j', 'm', 'p'}) {
    EXPECT_EQ(harness.Command({letter}), Bytes({'!', letter}));
  }
  EXPECT_EQ(harness.Command(Row(0, std::string(240, '0'))), Bytes({'!', 'l'}));
  EXPECT_EQ(harness.Engine().Device().logic.Row(0), std::string(240, '1'));
  EXPECT_EQ(harness.Command({'i', 1}), Bytes({'i', 1}));
  EXPECT_EQ(harness.Command({'j'}), Bytes({'j', 19}));
  EXPECT_EQ(harness.Command({'i', 0}), Bytes({'i', 0}));
  EXPECT_EQ(harness.Command({'j'}), Bytes({'!', 'j'}));
}

TEST(LogicCommands, ProgrammedRowsReadBackInBothReadings) {
  EngineHarness harness;
  const std::string fuses = Alternating(240);
  harness.Command({'i', 1});
  EXPECT_EQ(harness.Command({'p'}), Bytes({'p', 0}));
  EXPECT_EQ(harness.Command(Row(133, fuses)), Bytes({'l', 0}));
  const Bytes reply = harness.Command({'k', 133});
  ASSERT_EQ(reply.size(), 481u);
  EXPECT_EQ(reply[0], 'k');
  EXPECT_EQ(std::string(reply.begin() + 1, reply.begin() + 241), fuses);
  EXPECT_EQ(std::string(reply.begin() + 241, reply.end()), fuses);
  EXPECT_EQ(harness.Command({'k', 134}), Bytes({'?', 'k'}));
  EXPECT_EQ(harness.Command(Row(134, fuses)), Bytes({'?', 'l'}));
  EXPECT_EQ(harness.Command(Row(0, std::string(240, 'x'))), Bytes({'?', 'l'}));
}

TEST(LogicCommands, SignatureIsWrittenAndReadBack) {
  EngineHarness harness;
  const std::string bits = Alternating(120);
  harness.Command({'i', 1});
  harness.Command({'p'});
  EXPECT_EQ(harness.Command(Concat({'n'}, Bytes(bits.begin(), bits.end()))), Bytes({'n', 0}));
  const Bytes reply = harness.Command({'m'});
  ASSERT_EQ(reply.size(), 121u);
  EXPECT_EQ(std::string(reply.begin() + 1, reply.end()), bits);
}

TEST(Repeats, ARepeatedRequestIsAnsweredAgainWithoutBeingCarriedOutTwice) {
  EngineHarness harness;
  const Bytes request = Request(Program(0x01008000, {1, 2, 3, 4}), 2);
  const Transmission first = harness.Exchange(request);
  const Transmission repeat = harness.Exchange(request);
  EXPECT_EQ(repeat.wire, first.wire);
  EXPECT_TRUE(repeat.retransmission);
  EXPECT_EQ(harness.Engine().Counters().retransmissions, 1u);
  // With the next sequence number it is a new request, and the bytes are no longer erased.
  EXPECT_EQ(harness.Exchange(Request(Program(0x01008000, {1, 2, 3, 4}), 3)).reply[3], 3);
}

TEST(Repeats, AStartUpInBetweenEndsTheMemory) {
  EngineHarness harness;
  const Bytes request = Request(Program(0x01008000, {1, 2, 3, 4}), 0);
  harness.Exchange(request);
  harness.Exchange({0x00, 0x01, 0x01});
  EXPECT_EQ(harness.Exchange(request).reply[3], 3);
}

}  // namespace
}  // namespace kvx::sim::testing
