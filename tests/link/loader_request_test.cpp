#include "link/loader_request.h"

#include <gmock/gmock.h>
#include <gtest/gtest.h>

#include "scripted_link.h"

namespace kvx {
namespace {

using test::Bytes;
using test::LengthOrError;
using test::PayloadOfFrame;
using test::ScriptedChannel;
using test::ScriptedLink;
using ::testing::ElementsAre;

// A connected link with a reply buffer of the largest size, and one byte behind it that no
// request may touch.
struct ConnectedLink : ScriptedLink {
  using ScriptedLink::ScriptedLink;
  std::int32_t Request(const Bytes& request, std::uint32_t extraMs = 10,
                       std::int32_t capacity = 1500) {
    return LengthOrError(LoaderRequest(link, static_cast<std::int32_t>(request.size()),
                                       request.data(), capacity, reply.data(), extraMs));
  }
  Bytes reply = Bytes(1501, 0xEE);
};

TEST(LoaderRequest, SendsTheWorkedRequests) {
  ConnectedLink c;
  c.ch.ReplyLoader({0x41});
  c.ch.ReplyLoader({0x42});
  EXPECT_EQ(c.Request({0x72}), 1);
  EXPECT_EQ(c.Request({0x64}), 1);
  const auto frames = c.ch.FramesWritten();
  EXPECT_THAT(frames.at(0), ElementsAre(0x10, 0x02, 0x10, 0x10, 0x01, 0x72, 0x10, 0x03, 0x63));
  EXPECT_THAT(frames.at(1), ElementsAre(0x10, 0x02, 0x50, 0x01, 0x64, 0x10, 0x03, 0x35));
  EXPECT_EQ(c.reply[0], 0x42);
}

TEST(LoaderRequest, SequenceAdvancesPerRequestAndRepeatsOnRetry) {
  ConnectedLink c;
  for (int i = 0; i < 5; ++i) c.ch.ReplyLoader({0x41});
  c.ch.ReplyNothing();  // the sixth request's first attempt goes unanswered
  c.ch.ReplyLoader({0x41});
  for (int i = 0; i < 6; ++i) EXPECT_EQ(c.Request({0x72}), 1);
  std::vector<int> sequences;
  for (const Bytes& frame : c.ch.FramesWritten())
    sequences.push_back((*PayloadOfFrame(frame))[0] >> 6);
  EXPECT_THAT(sequences, ElementsAre(0, 1, 2, 3, 0, 1, 1));
}

TEST(LoaderRequest, TooLongOrUnconnectedIsRefusedUnsentAndTheLongestGoesOut) {
  ConnectedLink c;
  const Bytes tooLong(1499, 0);
  EXPECT_EQ(c.Request(tooLong), kErrRequestTooLong);
  EXPECT_EQ(LoaderRequest(c.link, -1, tooLong.data(), 1500, c.reply.data(), 0).error,
            kErrRequestTooLong);
  c.link.connected = false;
  EXPECT_EQ(c.Request({0x72}), kErrNotConnected);
  EXPECT_TRUE(c.ch.writes.empty());
  // One byte shorter is the longest request that goes out; its length needs the header's
  // high bits beside the flag.
  c.link.connected = true;
  c.ch.ReplyLoader({});
  EXPECT_EQ(c.Request(Bytes(1498, 0x10)), 0);
  const Bytes sent = *PayloadOfFrame(c.ch.FramesWritten().at(0));
  EXPECT_THAT(Bytes(sent.begin(), sent.begin() + 2), ElementsAre(0x15, 0xDA));
}

struct ReplyCase {
  const char* name;
  Bytes replyPayload;  // as framed on the wire, header included
  std::int32_t capacity;
  std::int32_t result;
  std::size_t framesSent;
};

// clang-format off
const ReplyCase kReplyCases[] = {
    {"header length 5 but 6 bytes follow", {0x00, 0x05, 1, 2, 3, 4, 5, 6}, 1500, kErrNoReply, 3},
    {"high header bits are not examined", {0xF8, 0x02, 0x41, 0x42}, 1500, 2, 1},
    {"header length 0 and nothing else", {0x00, 0x00}, 1500, 0, 1},
    {"a single-byte frame", {0x00}, 1500, kErrNoReply, 3},
    {"a reply exactly at the caller's capacity", {0x00, 0x02, 0x41, 0x42}, 2, 2, 1},
    // Retrying cannot make the reply shorter, so the first one too long ends the request.
    {"a reply one byte over the caller's capacity", {0x00, 0x03, 1, 2, 3}, 2, kErrReplyTooLong, 1},
};
// clang-format on

TEST(LoaderRequest, ReplyChecks) {
  for (const ReplyCase& rc : kReplyCases) {
    SCOPED_TRACE(rc.name);
    ConnectedLink c;
    for (int i = 0; i < 3; ++i) c.ch.ReplyFrame(rc.replyPayload);
    const std::int32_t result = c.Request({0x72}, 10, rc.capacity);
    EXPECT_EQ(result, rc.result);
    EXPECT_EQ(c.ch.FramesWritten().size(), rc.framesSent);
    // Nothing lands past the capacity, and nothing at all from a refused reply.
    EXPECT_EQ(c.reply[static_cast<std::size_t>(rc.capacity)], 0xEE);
    EXPECT_TRUE(result >= 0 || c.reply[0] == 0xEE) << "a refused reply was stored";
  }
}

TEST(LoaderRequest, StaleInputIsPurgedBeforeEachAttempt) {
  ConnectedLink c;
  c.ch.Feed({0x10, 0x02, 0x00, 0x01, 0x99, 0x10, 0x03, 0x98});  // a late reply to earlier
  c.ch.ReplyLoader({0x41});
  EXPECT_EQ(c.Request({0x72}), 1);
  EXPECT_EQ(c.reply[0], 0x41);
}

TEST(LoaderRequest, ASilentLoaderCostsThreeWaits) {
  ConnectedLink c;
  EXPECT_EQ(c.Request({0x72}, 10), kErrNoReply);
  EXPECT_EQ(c.ch.purges, 3);
  const std::uint32_t byteTimeout = ReplyByteTimeoutMs(1, 115200, 10);
  EXPECT_GT(c.ch.now, 3 * byteTimeout);
  EXPECT_LE(c.ch.now, 3 * (byteTimeout + 3 * ScriptedChannel::kPortReadTimeoutMs));
}

TEST(LoaderRequest, AFailedWriteIsRetried) {
  ConnectedLink c;
  c.ch.failWrites = 2;
  c.ch.ReplyLoader({0x41});
  EXPECT_EQ(c.Request({0x72}), 1);
}

}  // namespace
}  // namespace kvx
