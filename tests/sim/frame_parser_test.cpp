#include "sim/frame_parser.h"

#include <gtest/gtest.h>

#include <string>

#include "sim_test_support.h"

namespace kvx::sim::testing {
namespace {

struct Outcome {
  std::vector<Bytes> frames;
  int badFrames = 0;
};

Outcome PushAll(FrameParser& parser, const Bytes& wire) {
  Outcome outcome;
  for (std::uint8_t byte : wire) {
    switch (parser.Push(byte)) {
      case FrameParser::Event::kFrame:
        outcome.frames.emplace_back(parser.Payload(), parser.Payload() + parser.Size());
        break;
      case FrameParser::Event::kBadFrame:
        ++outcome.badFrames;
        break;
      case FrameParser::Event::kNone:
        break;
    }
  }
  return outcome;
}

struct WorkedFrame {
  std::string name;
  Bytes payload;
  Bytes wire;
};

class WorkedFrames : public ::testing::TestWithParam<WorkedFrame> {};

TEST_P(WorkedFrames, DecodeToTheirPayloadAndTakeTheirWireLength) {
  FrameParser parser;
  const Outcome outcome = PushAll(parser, GetParam().wire);
  ASSERT_EQ(outcome.frames.size(), 1u);
  EXPECT_EQ(outcome.frames[0], GetParam().payload);
  EXPECT_EQ(parser.WireSize(), GetParam().wire.size());
  EXPECT_EQ(outcome.badFrames, 0);
}

INSTANTIATE_TEST_SUITE_P(
    Vectors, WorkedFrames,
    ::testing::Values(
        WorkedFrame{"Ping", {0x00, 0x01, 0x01}, {0x10, 0x02, 0x00, 0x01, 0x01, 0x10, 0x03, 0x00}},
        WorkedFrame{"Speed",
                    {0x00, 0x05, 0x03, 0x00, 0x01, 0xC2, 0x00},
                    {0x10, 0x02, 0x00, 0x05, 0x03, 0x00, 0x01, 0xC2, 0x00, 0x10, 0x03, 0xC5}},
        WorkedFrame{"DoubledData", {0x10, 0x20}, {0x10, 0x02, 0x10, 0x10, 0x20, 0x10, 0x03, 0x30}},
        WorkedFrame{"DoubledChecksum", {0x10}, {0x10, 0x02, 0x10, 0x10, 0x10, 0x03, 0x10, 0x10}},
        WorkedFrame{"Empty", {}, {0x10, 0x02, 0x10, 0x03, 0x00}},
        WorkedFrame{"FirstRequest",
                    {0x10, 0x01, 0x72},
                    {0x10, 0x02, 0x10, 0x10, 0x01, 0x72, 0x10, 0x03, 0x63}},
        WorkedFrame{
            "SecondRequest", {0x50, 0x01, 0x64}, {0x10, 0x02, 0x50, 0x01, 0x64, 0x10, 0x03, 0x35}}),
    [](const auto& p) { return std::string(p.param.name); });

struct BrokenInput {
  std::string name;
  Bytes wire;
  std::size_t frames;
  int badFrames;
};

class BrokenInputs : public ::testing::TestWithParam<BrokenInput> {};

TEST_P(BrokenInputs, AreReportedOrSkippedAndTheNextFrameIsFound) {
  FrameParser parser;
  const Bytes ping = {0x10, 0x02, 0x00, 0x01, 0x01, 0x10, 0x03, 0x00};
  const Outcome outcome = PushAll(parser, Concat(GetParam().wire, ping));
  EXPECT_EQ(outcome.badFrames, GetParam().badFrames);
  ASSERT_EQ(outcome.frames.size(), GetParam().frames + 1);
  EXPECT_EQ(outcome.frames.back(), Bytes({0x00, 0x01, 0x01}));
}

INSTANTIATE_TEST_SUITE_P(
    Cases, BrokenInputs,
    ::testing::Values(
        BrokenInput{"WakeUpBytes", {0xDB, 0xDE}, 0, 0},
        // An escaped 0x10 followed by 0x02 is not a frame start, so the frame-like bytes
        // behind it are skipped as noise.
        BrokenInput{
            "EscapedDleBeforeStx", {0x10, 0x10, 0x02, 0x00, 0x01, 0x01, 0x10, 0x03, 0x00}, 0, 0},
        BrokenInput{"WrongChecksum", {0x10, 0x02, 0x00, 0x01, 0x01, 0x10, 0x03, 0x01}, 0, 1},
        BrokenInput{"BadEscapeInPayload", {0x10, 0x02, 0x00, 0x10, 0x05, 0x01}, 0, 1},
        BrokenInput{"UndoubledChecksumDle", {0x10, 0x02, 0x10, 0x10, 0x10, 0x03, 0x10, 0x00}, 0, 1},
        // The host abandoned a frame half-way and started the next one.
        BrokenInput{"NewStartInsideFrame", {0x10, 0x02, 0x00, 0x01}, 0, 1}),
    [](const auto& p) { return std::string(p.param.name); });

Bytes FrameOfSize(std::size_t n) {
  return Frame(Bytes(n, 0x41));
}

TEST(FrameParser, TakesAFullSizePayloadAndRefusesOneByteMore) {
  FrameParser parser;
  Outcome outcome = PushAll(parser, FrameOfSize(kMaxFramePayload));
  ASSERT_EQ(outcome.frames.size(), 1u);
  EXPECT_EQ(outcome.frames[0].size(), kMaxFramePayload);

  Bytes overLong = {kDle, kStx};
  overLong.insert(overLong.end(), kMaxFramePayload + 1, 0x41);
  overLong.insert(overLong.end(), {kDle, kEtx, 0x41});
  outcome = PushAll(parser, overLong);
  EXPECT_TRUE(outcome.frames.empty());
  EXPECT_EQ(outcome.badFrames, 1);
}

TEST(FrameParser, ResetDropsTheFrameInProgress) {
  FrameParser parser;
  const Bytes ping = {0x10, 0x02, 0x00, 0x01, 0x01, 0x10, 0x03, 0x00};
  PushAll(parser, Bytes(ping.begin(), ping.begin() + 4));
  parser.Reset();
  EXPECT_TRUE(PushAll(parser, Bytes(ping.begin() + 4, ping.end())).frames.empty());
  EXPECT_EQ(PushAll(parser, ping).frames.size(), 1u);
}

}  // namespace
}  // namespace kvx::sim::testing
