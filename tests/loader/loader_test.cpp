#include <gmock/gmock.h>
#include <gtest/gtest.h>

#include <algorithm>
#include <cstddef>
#include <cstdint>
#include <optional>
#include <string>
#include <tuple>
#include <utility>
#include <vector>

#include "link/loader_request.h"
#include "link/probe_link.h"
#include "loader/command_exchange.h"
#include "loader/loader_commands.h"
#include "loader/probe_identity.h"
#include "loader/version_text.h"
#include "scripted_link.h"

namespace kvx::test {
namespace {

using ::testing::AllOf;
using ::testing::EndsWith;
using ::testing::StartsWith;

using ConnectedLink = ScriptedLink;

// `count` bytes of `fill` behind `head`.
Bytes Padded(Bytes head, std::size_t count, std::uint8_t fill = 0x30) {
  head.insert(head.end(), count, fill);
  return head;
}

// Where the table's commands put their outputs, to show that a refused reply leaves them alone.
std::uint8_t sinkBytes[104];
std::uint8_t sinkId;
std::uint32_t sinkValue;
std::string sinkText, sinkText2;
const std::uint8_t kMarker[] = {0xAA, 0x55, 0x55, 0xAA};

using Replies = std::vector<Bytes>;

// Each loader command with fixed arguments: the request it must send, a reply it must take
// and replies it must refuse with kErrBadReply.
struct CommandCase {
  const char* name;
  Bytes request;
  ErrorCode (*run)(ProbeLink&);
  Bytes accepted;
  Replies refused = {};
};

// clang-format off
const CommandCase kCommands[] = {
    {"ReadMemory", Bytes{0x65, 0x01, 0x00, 0x80, 0x00, 0x00, 0x68}, [](ProbeLink& l) { return ReadMemory(l, 0x01008000, 104, sinkBytes); },
     Padded({'e'}, 110), Replies{Padded({'e'}, 109), Padded({'e'}, 111), Padded({'x'}, 110)}},
    {"EraseSector", Bytes{0x67, 0x01, 0x04, 0x00, 0x00}, [](ProbeLink& l) { return EraseSector(l, 0x01040000); },
     Bytes{'g', 0}, Replies{Bytes{'g'}, Bytes{'g', 0, 0}, Bytes{'h', 0}}},
    {"ProgramFlash", Bytes{0x68, 0x01, 0x04, 0x00, 0x00, 0x00, 0x04, 0xAA, 0x55, 0x55, 0xAA}, [](ProbeLink& l) { return ProgramFlash(l, 0x01040000, 4, kMarker, sinkValue); },
     Bytes{'h', 0, 1, 2, 3, 4}, Replies{Bytes{'h', 0, 1, 2, 3}, Bytes{'g', 0, 1, 2, 3, 4}}},
    {"EnterLogicIsp", Bytes{0x69, 0x01}, EnterLogicIsp, Bytes{}},
    {"LeaveLogicIsp", Bytes{0x69, 0x00}, LeaveLogicIsp, Bytes{'x', 'y'}},
    // The identifier is taken from any reply long enough to carry it, whatever its letter.
    {"ReadLogicDeviceId", Bytes{0x6A}, [](ProbeLink& l) { return ReadLogicDeviceId(l, sinkId); }, Bytes{'x', 19, 7}, Replies{Bytes{'j'}, Bytes{}}},
    // Fuse row and signature replies are judged by their length alone.
    {"ReadFuseRow", Bytes{0x6B, 0x05}, [](ProbeLink& l) { return ReadFuseRow(l, 5, sinkText, sinkText2); },
     Padded({0xFF}, 480), Replies{Padded({'k'}, 479), Padded({'k'}, 481)}},
    {"ProgramFuseRow", Padded({0x6C, 0x85}, 240, '1'), [](ProbeLink& l) { return ProgramFuseRow(l, 133, std::string(240, '1')); }, Bytes{}},
    {"ReadUserSignature", Bytes{0x6D}, [](ProbeLink& l) { return ReadUserSignature(l, sinkText); },
     Padded({0x00}, 120), Replies{Padded({'m'}, 119), Padded({'m'}, 121)}},
    {"ProgramUserSignature", Padded({0x6E}, 120, '0'), [](ProbeLink& l) { return ProgramUserSignature(l, std::string(120, '0')); }, Bytes{}},
    {"EraseLogic", Bytes{0x70}, EraseLogic, Bytes{}},
    {"StartFirmware", Bytes{0x71}, StartFirmware, Bytes{}},
};
// clang-format on

// Outputs change only on success, so a caller that misses a failure never acts on a reply that
// does not fit (a one-byte 'j' reply would hand back whatever an earlier reply left there). A
// refused reply is recorded with the command's name, and a silent loader is no reply, not a
// bad one.
TEST(LoaderCommands, SendTheirRequestAndJudgeTheReply) {
  for (const CommandCase& c : kCommands) {
    for (std::size_t i = 0; i <= c.refused.size() + 1; ++i) {
      const bool silent = i == c.refused.size() + 1;
      SCOPED_TRACE(std::string(c.name) + " reply " + std::to_string(i));
      std::fill_n(sinkBytes, 104, 0xEE);
      sinkId = 0xEE;
      sinkValue = 0xEEEEEEEE;
      sinkText = sinkText2 = "-";
      ConnectedLink s;
      if (!silent) s.ch.ReplyLoader(i == 0 ? c.accepted : c.refused[i - 1]);

      const ErrorCode expected = i == 0 ? kOk : silent ? kErrNoReply : kErrBadReply;
      EXPECT_EQ(c.run(s.link), expected);
      EXPECT_EQ(s.RequestsSent(), std::vector<Bytes>(silent ? 3 : 1, c.request));
      if (i == 0) continue;
      EXPECT_EQ(std::count(sinkBytes, sinkBytes + 104, 0xEE), 104);
      EXPECT_EQ(sinkId, 0xEE);
      EXPECT_EQ(sinkValue, 0xEEEEEEEEu);
      EXPECT_EQ(sinkText + sinkText2, "--");
      EXPECT_THAT(DescribeExchangeFailure(s.link),
                  AllOf(StartsWith(c.name), EndsWith("(code " + std::to_string(expected) + ")")));
    }
  }
}

// The reply time-out is the line time of the request and the largest reply at the link's rate,
// plus what the command needs and some slack; a silent loader costs three of them, which for a
// sector erase is half a minute.
TEST(LoaderCommands, ReplyTimeOutFollowsLengthRateAndCommand) {
  // clang-format off
  const std::tuple<std::uint32_t, std::uint32_t, std::uint32_t> lineTimes[] = {
      {1, 115200, 130}, {7, 115200, 130}, {242, 115200, 151}, {1, 57600, 260},
      {1, 9600, 1565}, {242, 9600, 1816},
  };
  // clang-format on
  for (const auto& [length, rate, lineMs] : lineTimes) {
    EXPECT_EQ(ReplyByteTimeoutMs(length, rate, 0), lineMs + 200) << length << " at " << rate;
  }
  ConnectedLink s;
  s.ch.readTimeoutMs = 1;
  EXPECT_EQ(EraseSector(s.link, 0x01040000), kErrNoReply);
  const std::uint32_t eraseTimeout = ReplyByteTimeoutMs(5, 115200, 10000);
  EXPECT_EQ(eraseTimeout, 130u + 10000u + 200u);
  EXPECT_GT(s.ch.now, 3 * eraseTimeout);
  EXPECT_LE(s.ch.now, 3 * (eraseTimeout + 10));
}

// A failed flash program still hands back the loader's value, which tells what went wrong.
TEST(LoaderCommands, AFailedFlashProgramHandsBackTheLoadersValue) {
  ConnectedLink s;
  s.ch.ReplyLoader({'h', 1, 0x12, 0x34, 0x56, 0x78});
  std::uint32_t value = 0;
  EXPECT_EQ(ProgramFlash(s.link, 0x01040000, 4, kMarker, value), kErrProgramFailed);
  EXPECT_EQ(value, 0x12345678u);
}

// Arguments that would overrun a request or a text are refused before anything is sent; as
// much as a request holds is sent, and texts longer than needed are cut.
TEST(LoaderCommands, SendAsMuchAsARequestHoldsAndRefuseWhatDoesNotFit) {
  ConnectedLink s;
  const Bytes data(kMaxProgramFlashBytes + 1, 0x5A);
  EXPECT_EQ(ProgramFlash(s.link, 0x01040000, data.size(), data.data()), kErrRequestTooLong);
  EXPECT_EQ(ProgramFuseRow(s.link, 0, std::string(239, '1')), kErrTextTooShort);
  EXPECT_EQ(ProgramUserSignature(s.link, std::string(119, '1')), kErrTextTooShort);
  EXPECT_TRUE(s.ch.writes.empty());

  for (int i = 0; i < 3; ++i) s.ch.ReplyLoader({'h', 0, 0, 0, 0, 0});
  EXPECT_EQ(ProgramFlash(s.link, 0x01040000, kMaxProgramFlashBytes, data.data()), kOk);
  EXPECT_EQ(ProgramFuseRow(s.link, 0, std::string(240, '1') + "0"), kOk);
  EXPECT_EQ(ProgramUserSignature(s.link, std::string(120, '1') + "0"), kOk);
  // 1491 data bytes fill the request to its 1498 bytes.
  EXPECT_EQ(s.RequestsSent(),
            (std::vector<Bytes>{Padded({0x68, 0x01, 0x04, 0x00, 0x00, 0x05, 0xD3}, 1491, 0x5A),
                                Padded({0x6C, 0x00}, 240, '1'), Padded({0x6E}, 120, '1')}));
}

// Erase-all walks the six sectors lowest first, never below the setup sector where the loader
// lives, and stops at the first failure so the sectors behind it keep what they hold.
TEST(LoaderCommands, EraseAllWalksTheSixSectorsAndStopsAtTheFirstFailure) {
  ConnectedLink s;
  // All six sectors erase; on the second run the third sector fails (the ninth reply).
  for (int i = 0; i < 10; ++i) s.ch.ReplyLoader({'g', i == 8});
  const EraseProgress unwatched = [](std::uint64_t, std::uint64_t) {};
  EXPECT_EQ(EraseAllSectors(s.link, unwatched), kOk);
  EXPECT_EQ(EraseAllSectors(s.link, unwatched), kErrEraseFailed);
  std::vector<Bytes> sectors = {
      {0x67, 0x01, 0x00, 0x80, 0x00}, {0x67, 0x01, 0x00, 0xC0, 0x00},
      {0x67, 0x01, 0x01, 0x00, 0x00}, {0x67, 0x01, 0x04, 0x00, 0x00},
      {0x67, 0x01, 0x08, 0x00, 0x00}, {0x67, 0x01, 0x0C, 0x00, 0x00},
  };
  sectors.resize(9);  // the second run repeats the first three
  std::copy_n(sectors.begin(), 3, sectors.begin() + 6);
  EXPECT_EQ(s.RequestsSent(), sectors);
}

// What an earlier query left, to show what a query keeps.
const ProbeIdentity kEarlier{7, 8, 9, "ABCDEFGH", "02B7E9ABCDEF"};

// Only 15- and 17-byte replies carry an identity. Any other length clears the versions, which
// the caller takes for "no probe", and keeps the serial number. The MAC address text is the
// caller's business and never changes.
TEST(QueryIdentity, TakesTheIdentityOnlyFromAReplyOfAValidLength) {
  struct Case {
    const char* name;
    Replies replies;  // to 'r', then to 'd'; the loader is silent after the last
    ErrorCode expected;
    VersionNumber loader, firmware, logic;
    const char* serial;
    std::uint8_t lastRequest = 'd';
  };
  // clang-format off
  const Case cases[] = {
      {"Short", {{'x'}, IdentityReply("12345678")}, kOk, 0x69, 105, 105, "12345678"},
      {"Long", {{'x'}, IdentityReply("123456789C")}, kOk, 0x69, 105, 105, "123456789C"},
      {"NineSerialCharacters", {{'x'}, IdentityReply("123456789")}, kOk, 0, 0, 0, "ABCDEFGH"},
      {"SevenSerialCharacters", {{'x'}, IdentityReply("1234567")}, kOk, 0, 0, 0, "ABCDEFGH"},
      {"WrongLetter", {{'x'}, IdentityReply("12345678", 0x0069, 'x')}, kErrBadReply, 7, 8, 9, "ABCDEFGH"},
      {"Silent", {{'x'}}, kErrNoReply, 7, 8, 9, "ABCDEFGH"},
      // A failed 'r' ends the query: asking 'd' of a loader that did not answer is pointless.
      {"SilentPrelude", {}, kErrNoReply, 7, 8, 9, "ABCDEFGH", 'r'},
  };
  // clang-format on
  for (const Case& c : cases) {
    SCOPED_TRACE(c.name);
    ConnectedLink s;
    for (const Bytes& reply : c.replies) s.ch.ReplyLoader(reply);
    ProbeIdentity identity = kEarlier;

    EXPECT_EQ(QueryIdentity(s.link, identity), c.expected);
    EXPECT_EQ(s.RequestsSent().back(), Bytes{c.lastRequest});
    EXPECT_EQ(identity.loaderVersion, c.loader);
    EXPECT_EQ(identity.firmwareVersion, c.firmware);
    EXPECT_EQ(identity.logicVersion, c.logic);
    EXPECT_EQ(identity.serialNumber, c.serial);
    EXPECT_EQ(identity.macAddressText, "02B7E9ABCDEF");
  }
}

// A loader that answers 'r' with 'r' gets a second to settle and is asked nothing more. An
// empty answer is judged by what the reply buffer still holds from the exchange before.
TEST(QueryIdentity, EchoedPreludePausesASecondAndAsksNothingMore) {
  for (const bool empty : {false, true}) {
    SCOPED_TRACE(empty ? "empty answer behind an 'r' reply" : "echo");
    ConnectedLink s;
    s.ch.ReplyLoader({'r', 1});
    if (empty) {
      ASSERT_EQ(StartFirmware(s.link), kOk);
      s.ch.ReplyLoader({});
    }
    s.ch.ReplyLoader(IdentityReply("12345678"));
    ProbeIdentity identity = kEarlier;
    const std::uint32_t start = s.ch.now;

    EXPECT_EQ(QueryIdentity(s.link, identity), kErrLoaderEcho);
    EXPECT_GE(s.ch.now - start, 1000u);
    EXPECT_LT(s.ch.now - start, 1500u);
    EXPECT_EQ(s.RequestsSent().back(), Bytes{0x72});
    EXPECT_EQ(identity.serialNumber, "ABCDEFGH");
  }
}

// Only the two firmware ranges and 8000 to 8999 for the logic carry a version.
TEST(QueryIdentity, VersionWordsDecodeOnlyInsideTheirRanges) {
  const std::pair<std::uint16_t, VersionNumber> firmware[] = {
      {0x0E69, 105}, {0xCE69, 105}, {0x0E00, 0}, {0x0EFF, 255}, {0xCEFF, 255}, {0x0DFF, 0},
      {0x0F00, 0},   {0xCDFF, 0},   {0xCF00, 0}, {0x8E69, 0},   {0x4E69, 0},
  };
  for (const auto& [raw, version] : firmware) EXPECT_EQ(DecodeFirmwareVersion(raw), version) << raw;
  const std::pair<std::uint16_t, VersionNumber> logic[] = {
      {8105, 105}, {8000, 0}, {8999, 999}, {7999, 0}, {9000, 0},
  };
  for (const auto& [raw, version] : logic) EXPECT_EQ(DecodeLogicVersion(raw), version) << raw;
}

// Versions 1 to 255 show as "1.05"; the three digits alone are checked where file names and
// the logic's signature are made.
TEST(VersionText, ShowsOneToTwoHundredFiftyFiveAndNothingElse) {
  const std::pair<VersionNumber, const char*> kShown[] = {
      {1, "0.01"}, {10, "0.10"}, {255, "2.55"}, {0, "unknown"}, {256, "unknown"}};
  for (const auto& [value, shown] : kShown) EXPECT_EQ(FormatVersion(value), shown) << value;
}

TEST(VersionText, MacAddressTakesAtMostSixSerialCharacters) {
  for (const auto& [serial, mac] : {std::pair{"", "02B7E9"}, std::pair{"123", "02B7E9123"},
                                    std::pair{"12345678", "02B7E9123456"}}) {
    EXPECT_EQ(MakeMacAddressText(serial), mac) << serial;
  }
}

}  // namespace
}  // namespace kvx::test
