#include "link/link_startup.h"

#include <algorithm>

#include <gmock/gmock.h>
#include <gtest/gtest.h>

#include "scripted_channel.h"

namespace kvx {
namespace {

using test::Bytes;
using test::PayloadOfFrame;
using test::ScriptedChannel;
using ::testing::ElementsAre;

constexpr std::uint8_t kPing[] = {0x00, 0x01, 0x01};

// A loader at the far end: it hears only frames sent at the rate it listens at, answers the
// ping and the speed request, and (unless told otherwise) moves to the rate it names.
struct FakeLoader {
  std::uint32_t listensAt = 9600;
  std::optional<std::uint32_t> answerRate = {};  // named in the speed reply; default: asked
  std::size_t pingReplyLength = 3;
  std::size_t speedReplyLength = 7;
  bool movesToNamedRate = true;

  void Attach(ScriptedChannel& ch) {
    ch.onWrite = [this](ScriptedChannel& port, const ScriptedChannel::Write& write) {
      const auto payload = PayloadOfFrame(write.bytes);
      if (!payload || write.rate != listensAt || payload->size() < 3) return;
      if ((*payload)[2] == 0x01) {
        port.FeedFrame(Bytes(pingReplyLength, 0x01));
      } else if ((*payload)[2] == 0x03 && payload->size() == 7) {
        std::uint32_t asked = 0;
        for (std::size_t i = 3; i < 7; ++i) asked = asked << 8 | (*payload)[i];
        const std::uint32_t next = answerRate.value_or(asked);
        Bytes reply{0x00, 0x05, 0x03};
        for (int shift = 24; shift >= 0; shift -= 8) reply.push_back(std::uint8_t(next >> shift));
        reply.resize(speedReplyLength);
        port.FeedFrame(reply);
        if (movesToNamedRate) listensAt = next;
      }
    };
  }
};

struct StartupRig {
  StartupRig() : link(ch) {}

  // The rates at which pings (frames after wake-up bytes) went out, in order.
  std::vector<std::uint32_t> PingRates() const {
    std::vector<std::uint32_t> rates;
    for (const auto& write : ch.writes) {
      const auto payload = PayloadOfFrame(write.bytes);
      if (payload && *payload == Bytes(std::begin(kPing), std::end(kPing))) {
        rates.push_back(write.rate);
      }
    }
    return rates;
  }

  ScriptedChannel ch;
  ProbeLink link;
  FakeLoader loader;
};

TEST(Startup, ScansThenMovesTheLoaderToTheRequestedRate) {
  StartupRig rig;
  rig.loader.Attach(rig.ch);
  ASSERT_EQ(ConnectProbeLink(rig.link, std::string("port"), 115200), kOk);
  // Unanswered at 115200, answered at 9600 in the scan, then the final ping at the new rate,
  // with no wake-up before it and the loader's 300 ms after its speed reply.
  EXPECT_THAT(rig.PingRates(), ElementsAre(115200u, 9600u, 115200u));
  const auto& writes = rig.ch.writes;
  const auto isWakeUp = [](const auto& write) { return write.bytes == Bytes{0xDB, 0xDE}; };
  EXPECT_EQ(std::count_if(writes.begin(), writes.end(), isWakeUp), 2);
  const auto& speedRequest = writes[writes.size() - 2];
  EXPECT_THAT(speedRequest.bytes,
              ElementsAre(0x10, 0x02, 0x00, 0x05, 0x03, 0x00, 0x01, 0xC2, 0x00, 0x10, 0x03, 0xC5));
  EXPECT_EQ(speedRequest.rate, 9600u);
  EXPECT_GE(writes.back().atMs - speedRequest.atMs, 300u);
  EXPECT_EQ(rig.link.headerFlags, 0x10);
}

TEST(Startup, Paths) {
  struct Case {
    const char* name;
    FakeLoader loader;
    std::uint32_t refusedRate;
    ErrorCode result;
    std::vector<std::uint32_t> pings;
    std::uint32_t rate = 0;           // the rate in use after a success
    std::uint8_t sequenceBefore = 0;  // left by an earlier connection
  };
  const std::vector<std::uint32_t> allPings = {115200, 9600, 19200, 38400, 57600, 115200};
  // clang-format off
  const Case cases[] = {
      // name, loader {listens at, names, ping reply, speed reply, moves}, port refuses, ...
      // A reconnect numbers its requests from 0 again.
      {"a loader at the requested rate answers the first ping", {115200}, 0, kOk, {115200}, 115200, 3},
      {"a port without 115200 asks for 57600", {}, 115200, kOk, {57600, 9600, 57600}, 57600},
      {"a rate the port refuses is skipped in the scan", {38400}, 19200, kOk, {115200, 9600, 38400, 115200}, 115200},
      {"the rate in the speed reply is followed", {9600, 38400}, 0, kOk, {115200, 9600, 38400}, 38400},
      {"nothing connected", {1}, 0, kErrNoReply, allPings},
      {"a 4-byte ping reply is no answer", {9600, {}, 4}, 0, kErrNoReply, allPings},
      {"a 6-byte speed reply", {9600, {}, 3, 6}, 0, kErrPort, {115200, 9600}},
      {"a speed reply naming rate 0", {9600, 0}, 0, kStartupRateLost, {115200, 9600}},
      {"a speed reply naming a rate the port refuses", {9600, 250000}, 250000, kStartupRateLost, {115200, 9600}},
      {"the loader does not move to the rate it named", {9600, 57600, 3, 7, false}, 0, kStartupRateLost, {115200, 9600, 57600}},
  };
  // clang-format on
  for (const Case& c : cases) {
    SCOPED_TRACE(c.name);
    StartupRig t;
    t.loader = c.loader;
    t.loader.Attach(t.ch);
    if (c.refusedRate != 0) t.ch.refusedRates = {c.refusedRate};
    t.link.sequence = c.sequenceBefore;
    EXPECT_EQ(ConnectProbeLink(t.link, std::string("port"), 115200), c.result);
    EXPECT_THAT(t.PingRates(), ::testing::ElementsAreArray(c.pings));
    EXPECT_EQ(t.ch.open, c.result == kOk);
    EXPECT_EQ(t.link.connected, c.result == kOk);
    if (c.result == kOk) {
      EXPECT_EQ(std::tie(t.link.baudRate, t.link.sequence), std::make_tuple(c.rate, 0));
    }
  }
}

TEST(Startup, AFailedOpenSendsNothing) {
  StartupRig t;
  t.ch.failOpen = true;
  EXPECT_EQ(ConnectProbeLink(t.link, std::string("port"), 115200), kErrPort);
  EXPECT_TRUE(t.ch.writes.empty());
}

}  // namespace
}  // namespace kvx
