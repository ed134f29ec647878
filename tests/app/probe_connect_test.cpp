#include "app/probe_connect.h"

#include <gtest/gtest.h>

#include <vector>

#include "scripted_channel.h"

namespace kvx {
namespace {

using test::Bytes;
using test::ScriptedChannel;

// The identity reply of a probe: loader 0x0102, firmware 1.05, logic 1.04, serial 12345678.
Bytes IdentityReply(std::uint16_t loaderWord) {
  Bytes reply{'d',
              static_cast<std::uint8_t>(loaderWord >> 8),
              static_cast<std::uint8_t>(loaderWord),
              0x0E,
              0x69,
              0x1F,
              0xA8};
  for (char c : std::string("12345678")) reply.push_back(static_cast<std::uint8_t>(c));
  return reply;
}

struct ConnectRig {
  ConnectRig() : link(ch) {}

  // Opening succeeds as the start-up would: port open, link connected.
  ConnectOutcome Connect() {
    return ConnectToProbe(
        link,
        [this] {
          ++opens;
          if (openFails) return kErrNoReply;
          ch.open = true;
          link.connected = true;
          link.baudRate = 115200;
          link.headerFlags = 0x10;
          return kOk;
        },
        identity);
  }

  ScriptedChannel ch;
  ProbeLink link;
  ProbeIdentity identity;
  bool openFails = false;
  int opens = 0;
};

// The attempts: each failed one closes the port before the next, and ten failed ones end it.
// (What the user sees of a Connect, passed or failed, the dialog's sequence tests check.)
TEST(ProbeConnect, RetriesUntilTheIdentityIsReadOrTenAttemptsFailed) {
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
      {"a failed query",
       false,
       {{'r'}, {0x00}, IdentityReply(0x0102)},
       ConnectOutcome::kConnected,
       2,
       1},
  };
  for (const Case& c : cases) {
    SCOPED_TRACE(c.name);
    ConnectRig rig;
    rig.openFails = c.openFails;
    for (const Bytes& reply : c.replies) rig.ch.ReplyLoader(reply);
    EXPECT_EQ(rig.Connect(), c.outcome);
    EXPECT_EQ(rig.opens, c.opens);
    EXPECT_EQ(rig.ch.closes, c.closes);
    EXPECT_EQ(rig.link.connected, c.outcome == ConnectOutcome::kConnected);
  }
}

}  // namespace
}  // namespace kvx
