#include "link/frame_codec.h"

#include <gmock/gmock.h>
#include <gtest/gtest.h>

#include "scripted_channel.h"

namespace kvx {
namespace {

using test::Bytes;
using test::LengthOrError;
using test::ScriptedChannel;
using ::testing::ElementsAreArray;

struct WorkedFrame {
  Bytes payload;
  Bytes wire;
};

const WorkedFrame kWorkedFrames[] = {
    {{0x00, 0x01, 0x01}, {0x10, 0x02, 0x00, 0x01, 0x01, 0x10, 0x03, 0x00}},
    {{0x00, 0x05, 0x03, 0x00, 0x01, 0xC2, 0x00},
     {0x10, 0x02, 0x00, 0x05, 0x03, 0x00, 0x01, 0xC2, 0x00, 0x10, 0x03, 0xC5}},
    {{0x10, 0x20}, {0x10, 0x02, 0x10, 0x10, 0x20, 0x10, 0x03, 0x30}},
    {{0x10}, {0x10, 0x02, 0x10, 0x10, 0x10, 0x03, 0x10, 0x10}},
    {{}, {0x10, 0x02, 0x10, 0x03, 0x00}},
};

TEST(FrameCodec, WorkedFramesGoOutInOneWriteAndComeBackWhole) {
  for (const WorkedFrame& frame : kWorkedFrames) {
    ScriptedChannel ch;
    const auto n = static_cast<std::int32_t>(frame.payload.size());
    EXPECT_EQ(SendFrame(ch, n, frame.payload.data()), kOk);
    EXPECT_THAT(ch.writes.at(0).bytes, ElementsAreArray(frame.wire));
    ch.Feed(frame.wire);
    std::uint8_t buffer[1500] = {};
    ASSERT_EQ(LengthOrError(ReceiveFrame(ch, 1500, buffer, 200)), n);
    EXPECT_THAT(Bytes(buffer, buffer + n), ElementsAreArray(frame.payload));
  }
}

// The longest payload of DLE bytes must fit the encoder's buffer and come back whole; what
// cannot fit, or does not leave whole, is a write failure with nothing sent.
TEST(FrameCodec, SendBounds) {
  ScriptedChannel ch;
  const Bytes dles(kMaxFramePayload, kDle);
  ASSERT_EQ(SendFrame(ch, static_cast<std::int32_t>(dles.size()), dles.data()), kOk);
  EXPECT_EQ(ch.writes.at(0).bytes.size(), 2 * kMaxFramePayload + 5);  // checksum 0, once
  std::uint8_t buffer[kMaxFramePayload];
  ch.Feed(ch.writes[0].bytes);
  EXPECT_EQ(LengthOrError(ReceiveFrame(ch, kMaxFramePayload, buffer, 200)), 1500);

  const Bytes tooLong(kMaxFramePayload + 1, 0);
  EXPECT_EQ(SendFrame(ch, static_cast<std::int32_t>(tooLong.size()), tooLong.data()), kErrWrite);
  EXPECT_EQ(SendFrame(ch, -1, tooLong.data()), kErrWrite);
  EXPECT_EQ(ch.writes.size(), 1u);
  ch.shortWrites = 1;
  EXPECT_EQ(SendFrame(ch, 3, tooLong.data()), kErrWrite);
}

// More noise than the longest frame, then a good frame around 0x41.
Bytes LongNoiseThenAFrame() {
  Bytes wire(kMaxEncodedFrame + 100, 0x55);
  const Bytes frame = {0x10, 0x02, 0x41, 0x10, 0x03, 0x41};
  wire.insert(wire.end(), frame.begin(), frame.end());
  return wire;
}

struct ReceiveCase {
  const char* name;
  Bytes input;
  std::int32_t capacity;
  std::int32_t result;
  Bytes payload;
  int lineErrors = 0;     // reads that fail before the input
  bool portDead = false;  // the device vanishes once the input is read
};

// clang-format off
const ReceiveCase kReceiveCases[] = {
    // name, line bytes, capacity, result, payload[, line errors first, device gone after]
    {"noise before the start is skipped", {0x00, 0xFF, 0x03, 0x10, 0x02, 0x41, 0x10, 0x03, 0x41}, 1500, 1, {0x41}},
    {"noise longer than a frame before a good one is skipped", LongNoiseThenAFrame(), 1500, 1, {0x41}},
    {"an escaped DLE followed by STX is not a start", {0x10, 0x10, 0x02, 0x41, 0x10, 0x03, 0x41}, 1500, kErrTimeout, {}},
    {"an undoubled checksum 0x10 then silence times out", {0x10, 0x02, 0x10, 0x10, 0x10, 0x03, 0x10}, 1500, kErrTimeout, {}},
    {"an undoubled checksum 0x10 then another byte is a bad escape", {0x10, 0x02, 0x10, 0x10, 0x10, 0x03, 0x10, 0x00}, 1500, kErrBadEscape, {}},
    {"DLE followed by another byte inside the payload is a bad escape", {0x10, 0x02, 0x41, 0x10, 0x05, 0x10, 0x03, 0x00}, 1500, kErrBadEscape, {}},
    {"a wrong checksum is refused", {0x10, 0x02, 0x41, 0x42, 0x10, 0x03, 0x00}, 1500, kErrChecksum, {}},
    {"a payload of exactly the capacity is accepted", {0x10, 0x02, 0x41, 0x42, 0x10, 0x03, 0x03}, 2, 2, {0x41, 0x42}},
    {"one byte over the capacity is refused", {0x10, 0x02, 0x41, 0x42, 0x43, 0x10, 0x03, 0x40}, 2, kErrFrameTooLong, {}},
    {"an empty frame", {0x10, 0x02, 0x10, 0x03, 0x00}, 1500, 0, {}},
    {"silence inside the frame times out", {0x10, 0x02, 0x41}, 1500, kErrTimeout, {}},
    {"line errors do not end the read early", {0x10, 0x02, 0x41, 0x10, 0x03, 0x41}, 1500, 1, {0x41}, 2},
    {"silence while hunting times out", {}, 1500, kErrTimeout, {}},
    {"a vanished device inside the frame", {0x10, 0x02, 0x41}, 4, kErrPortState, {}, 0, true},
    // Neither endless noise nor a port whose reads fail at once may keep the hunt going.
    {"endless noise ends the hunt", Bytes(100000, 0x55), 4, kErrTimeout, {}},
    {"a port failing at once ends the hunt", {}, 4, kErrPortState, {}, 1000000, true},
};
// clang-format on

TEST(FrameCodec, ReceiveCases) {
  for (const ReceiveCase& c : kReceiveCases) {
    SCOPED_TRACE(c.name);
    ScriptedChannel ch;
    ch.Feed(c.input);
    ch.failReads = c.lineErrors;
    ch.portDead = c.portDead;
    Bytes buffer(static_cast<std::size_t>(c.capacity) + 1, 0xEE);
    EXPECT_EQ(LengthOrError(ReceiveFrame(ch, c.capacity, buffer.data(), 200)), c.result);
    if (c.result >= 0) {
      EXPECT_THAT(Bytes(buffer.begin(), buffer.begin() + c.result), ElementsAreArray(c.payload));
    }
    // Nothing is ever stored at or beyond the capacity.
    EXPECT_EQ(buffer[static_cast<std::size_t>(c.capacity)], 0xEE);
  }
}

}  // namespace
}  // namespace kvx
