#include <gtest/gtest.h>

#include <algorithm>
#include <string>

#include "sim/loader_engine.h"
#include "sim_test_support.h"

namespace kvx::sim::testing {
namespace {

// The clean reply to 'g' on the first sector with sequence 1: 50 02 67 00.
const Bytes kEraseRequest = Request(Concat({'g'}, U32(0x01008000)), 1);
const Bytes kCleanErase = {0x50, 0x02, 'g', 0x00};

TEST(ReplyFaults, DropCarriesTheRequestOutButSendsNothing) {
  SimulatorOptions options;
  options.faults.dropReply = Trigger("1");
  EngineHarness harness(options);
  harness.Engine().Device().flash.Program(0x01008000, Bytes{0}.data(), 1);
  const Transmission t = harness.Exchange(kEraseRequest);
  EXPECT_TRUE(t.wire.empty());
  EXPECT_EQ(harness.Engine().Device().flash.Read(0x01008000, 1), Bytes{kErasedByte});
  EXPECT_EQ(harness.Engine().Counters().repliesDropped, 1u);
  // The host's retry of the same frame gets the reply that was lost.
  EXPECT_EQ(harness.Exchange(kEraseRequest).wire, Frame(kCleanErase));
}

TEST(ReplyFaults, CorruptChecksumBreaksOnlyTheChecksum) {
  SimulatorOptions options;
  options.faults.corruptChecksum = Trigger("1");
  EngineHarness harness(options);
  const Bytes wire = harness.Exchange(kEraseRequest).wire;
  const Bytes clean = Frame(kCleanErase);
  ASSERT_EQ(wire.size(), clean.size());
  EXPECT_EQ(Bytes(wire.begin(), wire.end() - 1), Bytes(clean.begin(), clean.end() - 1));
  EXPECT_NE(wire.back(), clean.back());
  EXPECT_TRUE(ParseFrames(wire).empty());
}

// A reply whose checksum is 0x10 ends in 10 10; the wrong checksum must replace both.
TEST(ReplyFaults, CorruptChecksumReplacesADoubledChecksum) {
  SimulatorOptions options;
  options.faults.corruptChecksum = Trigger("1");
  EngineHarness harness(options);
  const Bytes request = Request(Concat({'e'}, Concat(U32(0x01008000), U16(1))), 0);
  // Make the data byte such that the whole reply payload XORs to 0x10.
  std::uint8_t sum = 0;
  for (std::uint8_t b : Bytes({0x10, 0x08, 'e', 0x01, 0x00, 0x80, 0x00, 0x00, 0x01})) sum ^= b;
  const std::uint8_t data = static_cast<std::uint8_t>(sum ^ 0x10);
  harness.Engine().Device().flash.Program(0x01008000, &data, 1);
  const Transmission t = harness.Exchange(request);
  const Bytes& wire = t.wire;
  const Bytes clean = Frame(t.reply);
  ASSERT_EQ(Bytes(clean.end() - 3, clean.end()), Bytes({kEtx, kDle, kDle}));
  ASSERT_EQ(wire.size() + 1, clean.size());
  EXPECT_EQ(Bytes(wire.begin(), wire.end() - 1), Bytes(clean.begin(), clean.end() - 2));
  EXPECT_EQ(wire[wire.size() - 2], kEtx);
  EXPECT_TRUE(ParseFrames(wire).empty());
}

TEST(ReplyFaults, NoiseGoesBeforeTheFrameAndNeverHoldsADle) {
  SimulatorOptions options;
  options.faults.noise = Trigger("*");
  EngineHarness harness(options);
  for (int i = 0; i < 20; ++i) {
    const Bytes wire = harness.Exchange(Request({'r'}, 0)).wire;
    const Bytes clean = Frame({0x10, 0x01, 0x00});
    ASSERT_GT(wire.size(), clean.size());
    const std::size_t noise = wire.size() - clean.size();
    EXPECT_LE(noise, 16u);
    EXPECT_EQ(Bytes(wire.begin() + static_cast<std::ptrdiff_t>(noise), wire.end()), clean);
    EXPECT_EQ(std::count(wire.begin(), wire.begin() + static_cast<std::ptrdiff_t>(noise), kDle), 0);
  }
}

TEST(ReplyFaults, LateRepliesCarryTheirHoldTime) {
  SimulatorOptions options;
  options.faults.late = Trigger("2");
  options.faults.lateMs = 1234;
  EngineHarness harness(options);
  EXPECT_EQ(harness.Exchange(Request({'r'}, 0)).faults.holdMs, 0u);
  EXPECT_EQ(harness.Exchange(Request({'r'}, 1)).faults.holdMs, 1234u);
}

struct ShapeCase {
  const char* name;
  Bytes body;
  bool wrongLetter;
  bool wrongLength;
  Bytes reply;  // after the header
};

class ReplyShape : public ::testing::TestWithParam<ShapeCase> {};

TEST_P(ReplyShape, WrongLetterAndLengthKeepTheHeaderConsistent) {
  SimulatorOptions options;
  if (GetParam().wrongLetter) options.faults.wrongLetter = Trigger("1");
  if (GetParam().wrongLength) options.faults.wrongLength = Trigger("1");
  EngineHarness harness(options);
  const Transmission t = harness.Exchange(Request(GetParam().body, 0));
  ASSERT_EQ(t.reply.size(), GetParam().reply.size() + 2);
  EXPECT_EQ(t.reply[1], GetParam().reply.size());
  EXPECT_EQ(Bytes(t.reply.begin() + 2, t.reply.end()), GetParam().reply);
  EXPECT_EQ(ParseFrames(t.wire).size(), 1u);
}

INSTANTIATE_TEST_SUITE_P(
    Cases, ReplyShape,
    ::testing::Values(
        ShapeCase{"LetterOfErase", Concat({'g'}, U32(0x01008000)), true, false, {'G', 0}},
        ShapeCase{"LetterOfR", {'r'}, true, false, {'r'}},
        ShapeCase{"LengthOfErase", Concat({'g'}, U32(0x01008000)), false, true, {'g'}},
        ShapeCase{"LengthOfR", {'r'}, false, true, {}},
        ShapeCase{"Both", Concat({'g'}, U32(0x01008000)), true, true, {'G'}}),
    [](const auto& p) { return std::string(p.param.name); });

TEST(CommandFaults, FailEraseCountsEraseRequestsAndErasesNothing) {
  SimulatorOptions options;
  options.faults.failErase = Trigger("2", 'g');
  EngineHarness harness(options);
  const std::uint8_t zero = 0;
  harness.Engine().Device().flash.Program(0x0100C000, &zero, 1);
  EXPECT_EQ(harness.Command({'r'}), Bytes{0});
  EXPECT_EQ(harness.Command(Concat({'g'}, U32(0x01008000))), Bytes({'g', 0}));
  EXPECT_EQ(harness.Command(Concat({'g'}, U32(0x0100C000))), Bytes({'g', 4}));
  EXPECT_EQ(harness.Engine().Device().flash.Read(0x0100C000, 1), Bytes{0});
  EXPECT_EQ(harness.Command(Concat({'g'}, U32(0x0100C000))), Bytes({'g', 0}));
}

TEST(CommandFaults, FailProgramWritesNothing) {
  SimulatorOptions options;
  options.faults.failProgram = Trigger("1", 'h');
  EngineHarness harness(options);
  const Bytes request = Concat(Concat({'h'}, U32(0x01008000)), Concat(U16(2), {7, 8}));
  EXPECT_EQ(harness.Command(request), Concat({'h', 4}, U32(0x01008000)));
  EXPECT_EQ(harness.Engine().Device().flash.Read(0x01008000, 2), Bytes({0xFF, 0xFF}));
  EXPECT_EQ(harness.Command(request), Concat({'h', 0}, U32(0x01008002)));
}

TEST(SilentAfter, TheLoaderNeitherAnswersNorActsAfterNRequests) {
  SimulatorOptions options;
  options.faults.silentAfter = 2;
  EngineHarness harness(options);
  EXPECT_FALSE(harness.Command({'r'}).empty());
  EXPECT_FALSE(harness.Command({'i', 1}).empty());
  EXPECT_TRUE(harness.Command({'i', 0}).empty());
  EXPECT_TRUE(harness.Engine().Device().logic.InIsp());
  EXPECT_TRUE(harness.Exchange({0x00, 0x01, 0x01}).wire.empty());
  EXPECT_EQ(harness.Engine().Counters().requestsIgnored, 2u);
}

TEST(Selection, OnlyTheChosenRequestOfACommandIsHit) {
  SimulatorOptions options;
  options.faults.dropReply = Trigger("d:2");
  EngineHarness harness(options);
  EXPECT_FALSE(harness.Command({'d'}).empty());
  EXPECT_FALSE(harness.Command({'r'}).empty());
  EXPECT_TRUE(harness.Exchange(Request({'d'}, 2)).wire.empty());
  EXPECT_FALSE(harness.Exchange(Request({'d'}, 3)).wire.empty());
}

// The whole wire output of 60 requests under random faults.
Bytes RandomRun(std::uint64_t seed) {
  SimulatorOptions options;
  options.faults.seed = seed;
  options.faults.dropReply = Trigger("0.3");
  options.faults.noise = Trigger("0.5");
  options.faults.corruptChecksum = Trigger("d:0.5");
  EngineHarness harness(options);
  Bytes all;
  for (int i = 0; i < 60; ++i) {
    const Transmission t = harness.Exchange(Request(
        {i % 2 == 0 ? std::uint8_t{'d'} : std::uint8_t{'r'}}, static_cast<std::uint8_t>(i)));
    all.push_back(static_cast<std::uint8_t>(t.wire.size()));
    all.insert(all.end(), t.wire.begin(), t.wire.end());
  }
  return all;
}

TEST(Seed, TheSameSeedGivesTheSameFaultsAndAnotherSeedOthers) {
  EXPECT_EQ(RandomRun(7), RandomRun(7));
  EXPECT_NE(RandomRun(7), RandomRun(8));
}

}  // namespace
}  // namespace kvx::sim::testing
