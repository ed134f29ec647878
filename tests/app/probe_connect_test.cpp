#include "app/probe_connect.h"

#include <gtest/gtest.h>

#include "scripted_link.h"

namespace kvx {
namespace {

using test::Bytes;
using test::IdentityReply;
using test::ScriptedChannel;

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

TEST(ProbeConnect, ReadsTheIdentityAndKeepsTheLinkOpen) {
  ConnectRig rig;
  rig.ch.ReplyLoader({0x00});
  rig.ch.ReplyLoader(IdentityReply("12345678", 0x0102));
  EXPECT_EQ(rig.Connect(), ConnectOutcome::kConnected);
  EXPECT_EQ(rig.identity.firmwareVersion, 105);
  EXPECT_EQ(rig.identity.logicVersion, 105);
  EXPECT_EQ(rig.identity.macAddressText, "02B7E9123456");
  EXPECT_TRUE(rig.link.connected);
  EXPECT_EQ(rig.opens, 1);
}

TEST(ProbeConnect, GivesUpAfterTenAttempts) {
  ConnectRig rig;
  rig.openFails = true;
  EXPECT_EQ(rig.Connect(), ConnectOutcome::kCannotConnect);
  EXPECT_EQ(rig.opens, kConnectAttempts);
  EXPECT_STREQ(ConnectFailureText(ConnectOutcome::kCannotConnect), "Cannot connect to KVX loader!");
}

TEST(ProbeConnect, AFailedQueryClosesAndTriesAgain) {
  ConnectRig rig;
  rig.ch.ReplyLoader({'r'});  // the loader echoes 'r': this attempt fails
  rig.ch.ReplyLoader({0x00});
  rig.ch.ReplyLoader(IdentityReply("12345678", 0x0102));
  EXPECT_EQ(rig.Connect(), ConnectOutcome::kConnected);
  EXPECT_EQ(rig.opens, 2);
  EXPECT_EQ(rig.ch.closes, 1);
}

// A reply of unusual length reads as loader version 0: nothing worth retrying is there.
TEST(ProbeConnect, LoaderVersionZeroEndsAtOnceWithThePortClosed) {
  ConnectRig rig;
  rig.ch.ReplyLoader({0x00});
  rig.ch.ReplyLoader(Bytes(16, 'd'));
  EXPECT_EQ(rig.Connect(), ConnectOutcome::kNoProbe);
  EXPECT_EQ(rig.opens, 1);
  EXPECT_FALSE(rig.ch.open);
  EXPECT_FALSE(rig.link.connected);
  EXPECT_EQ(rig.identity.macAddressText, "02B7E9");
  EXPECT_STREQ(ConnectFailureText(ConnectOutcome::kNoProbe), "There is no KVX7000 connected!");
}

}  // namespace
}  // namespace kvx
