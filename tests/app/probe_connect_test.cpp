#include "app/probe_connect.h"

#include <gtest/gtest.h>

#include <utility>
#include <vector>

#include "scripted_link.h"

namespace kvx {
namespace {

using test::Bytes;
using test::IdentityReply;
using test::ScriptedChannel;

// The attempts: each failed one closes the port before the next, and ten failed ones end it.
// (What the user sees of a Connect, passed or failed, the dialog's sequence tests check.)
TEST(ProbeConnect, RetriesUntilTheIdentityIsReadOrTenAttemptsFailed) {
  const Bytes identity = IdentityReply("12345678", 0x0102);
  struct Case {
    const char* name;
    bool openFails;
    std::vector<Bytes> replies;
    ConnectOutcome outcome;
    int opens;
    int closes;
  };
  const Case cases[] = {
      {"no start-up succeeds", true, {}, ConnectOutcome::kCannotConnect, kConnectAttempts, 0},
      // The loader echoes 'r': that attempt fails, the next one reads the identity.
      {"a failed query", false, {{'r'}, {0x00}, identity}, ConnectOutcome::kConnected, 2, 1},
  };
  for (const Case& c : cases) {
    SCOPED_TRACE(c.name);
    ScriptedChannel ch;
    ProbeLink link(ch);
    for (const Bytes& reply : c.replies) ch.ReplyLoader(reply);
    int opens = 0;
    // Opening succeeds as the start-up would: port open, link connected.
    const auto open = [&] {
      ++opens;
      if (c.openFails) return kErrNoReply;
      ch.open = link.connected = true;
      link.baudRate = 115200;
      link.headerFlags = 0x10;
      return kOk;
    };
    ProbeIdentity read;
    EXPECT_EQ(ConnectToProbe(link, open, read), c.outcome);
    EXPECT_EQ(opens, c.opens);
    EXPECT_EQ(ch.closes, c.closes);
    EXPECT_EQ(link.connected, c.outcome == ConnectOutcome::kConnected);
  }
}

// The Speed list's index picks the rate asked for; one off the list (a damaged document) asks
// for 9600, the first wake-up going out at the rate asked for.
TEST(ProbeConnect, SpeedIndexPicksTheRateAndOneOffTheListAsksFor9600) {
  const std::pair<int, std::uint32_t> cases[] = {{0, 9600}, {4, 115200}, {5, 9600}, {-1, 9600}};
  for (const auto& [speedIndex, rate] : cases) {
    SCOPED_TRACE(speedIndex);
    ScriptedChannel ch;
    ProbeLink link(ch);
    OpenProbeLink(link, std::string("/dev/scripted"), speedIndex);
    ASSERT_FALSE(ch.writes.empty());
    EXPECT_EQ(ch.writes.front().rate, rate);
  }
}

}  // namespace
}  // namespace kvx
