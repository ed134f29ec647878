#include <cstdint>
#include <string>

#include "loader/logic_commands.h"
#include "loader/probe_identity.h"
#include "loader_fixture.h"

namespace kvx::test {
namespace {

// An identity reply: loader word 0x0069, firmware word 0x0E69 (1.05), logic word 8105
// (1.05), then the serial characters.
Bytes IdentityReply(const std::string& serial, std::uint8_t letter = 'd') {
  Bytes reply{letter, 0x00, 0x69, 0x0E, 0x69, 0x1F, 0xA9};
  for (char c : serial) reply.push_back(static_cast<std::uint8_t>(c));
  return reply;
}

class QueryIdentityTest : public LoaderTest {
 protected:
  // The record of an earlier query, to show what a query keeps.
  ProbeIdentity identity{7, 8, 9, "ABCDEFGH", "02B7E9ABCDEF"};
};

TEST_F(QueryIdentityTest, ShortReplyGivesVersionsAndEightSerialCharacters) {
  ch.ReplyLoader({'x'});
  ch.ReplyLoader(IdentityReply("12345678"));

  ASSERT_EQ(QueryIdentity(link, identity), kOk);
  EXPECT_EQ(identity.loaderVersion, 0x69);
  EXPECT_EQ(identity.firmwareVersion, 105);
  EXPECT_EQ(identity.logicVersion, 105);
  EXPECT_EQ(identity.serialNumber, "12345678");
  EXPECT_EQ(identity.macAddressText, "02B7E9ABCDEF");
  // The first two requests after a start-up, header included.
  const std::vector<Bytes> frames = ch.FramesWritten();
  ASSERT_EQ(frames.size(), 2u);
  EXPECT_EQ(PayloadOfFrame(frames[0]), (Bytes{0x10, 0x01, 0x72}));
  EXPECT_EQ(PayloadOfFrame(frames[1]), (Bytes{0x50, 0x01, 0x64}));
}

TEST_F(QueryIdentityTest, LongReplyGivesTenSerialCharacters) {
  ch.ReplyLoader({});
  ch.ReplyLoader(IdentityReply("123456789C"));

  ASSERT_EQ(QueryIdentity(link, identity), kOk);
  EXPECT_EQ(identity.serialNumber, "123456789C");
}

TEST_F(QueryIdentityTest, ReplyOfAnotherLengthClearsTheVersionsAndKeepsTheSerial) {
  for (const std::string serial : {"123456789", "", "1234567"}) {
    SCOPED_TRACE(serial.size());
    ch.ReplyLoader({});
    ch.ReplyLoader(IdentityReply(serial));
    identity.loaderVersion = identity.firmwareVersion = identity.logicVersion = 1;

    ASSERT_EQ(QueryIdentity(link, identity), kOk);
    EXPECT_EQ(identity.loaderVersion, 0);
    EXPECT_EQ(identity.firmwareVersion, 0);
    EXPECT_EQ(identity.logicVersion, 0);
    EXPECT_EQ(identity.serialNumber, "ABCDEFGH");
  }
}

TEST_F(QueryIdentityTest, ValidLengthWithoutTheLetterChangesNothing) {
  ch.ReplyLoader({});
  ch.ReplyLoader(IdentityReply("12345678", 'x'));
  const ProbeIdentity before = identity;

  EXPECT_EQ(QueryIdentity(link, identity), kErrBadReply);
  EXPECT_EQ(identity.loaderVersion, before.loaderVersion);
  EXPECT_EQ(identity.serialNumber, before.serialNumber);
}

TEST_F(QueryIdentityTest, EchoedPreludeCostsOneSecondAndSendsNoIdentityRequest) {
  ch.ReplyLoader({'r', 1, 2});
  ch.ReplyLoader(IdentityReply("12345678"));
  const std::uint32_t start = ch.now;

  EXPECT_EQ(QueryIdentity(link, identity), kErrLoaderEcho);
  EXPECT_EQ(RequestsSent(), std::vector<Bytes>{{0x72}});
  EXPECT_GE(ch.now - start, 1000u);
  EXPECT_LT(ch.now - start, 1500u);
  EXPECT_EQ(identity.serialNumber, "ABCDEFGH");
}

// An empty reply to 'r' is judged by whatever the reply buffer still starts with.
TEST_F(QueryIdentityTest, EmptyPreludeReplyIsJudgedByTheStaleReplyBuffer) {
  std::uint8_t deviceId = 0;
  ch.ReplyLoader({'r', 19});
  ch.ReplyLoader({});
  ASSERT_EQ(ReadLogicDeviceId(link, deviceId), kOk);

  EXPECT_EQ(QueryIdentity(link, identity), kErrLoaderEcho);
  EXPECT_EQ(RequestsSent().size(), 2u);
}

TEST_F(QueryIdentityTest, TransportFailuresAreReturnedAndChangeNothing) {
  ch.ReplyLoader({});  // 'r' answered, 'd' never
  EXPECT_EQ(QueryIdentity(link, identity), kErrNoReply);
  EXPECT_EQ(RequestsSent().back(), Bytes{0x64});
  EXPECT_EQ(identity.firmwareVersion, 8);

  link.connected = false;
  EXPECT_EQ(QueryIdentity(link, identity), kErrNotConnected);
  EXPECT_EQ(identity.serialNumber, "ABCDEFGH");
}

struct DecodeCase {
  std::uint16_t raw;
  VersionNumber version;
};

TEST(DecodeFirmwareVersion, TakesOnlyTheTwoVersionRanges) {
  const DecodeCase cases[] = {
      {0x0E69, 105}, {0xCE69, 105}, {0x0E00, 0}, {0x0EFF, 255}, {0xCEFF, 255},
      {0x0DFF, 0},   {0x0F00, 0},   {0xCDFF, 0}, {0xCF00, 0},   {0xC000, 0},
      {0xFFFF, 0},   {0x0000, 0},   {0x8E69, 0}, {0x4E69, 0},
  };
  for (const DecodeCase& c : cases) {
    EXPECT_EQ(DecodeFirmwareVersion(c.raw), c.version) << std::hex << c.raw;
  }
}

TEST(DecodeLogicVersion, TakesOnlyEightThousandToEightThousandNineHundredNinetyNine) {
  const DecodeCase cases[] = {
      {8105, 105}, {8000, 0}, {8999, 999}, {8300, 300}, {7999, 0}, {9000, 0}, {0, 0}, {65535, 0},
  };
  for (const DecodeCase& c : cases) EXPECT_EQ(DecodeLogicVersion(c.raw), c.version) << c.raw;
}

}  // namespace
}  // namespace kvx::test
