#include <cstdint>
#include <functional>
#include <optional>
#include <ostream>
#include <string>

#include "command_runners.h"
#include "loader/loader_commands.h"
#include "loader_fixture.h"

namespace kvx::test {
namespace {

// One exchange: what the command sends, what the loader answers (nothing when silent) and
// what the command makes of it.
struct CommandCase {
  const char* name;
  std::function<ErrorCode(ProbeLink&)> run;
  Bytes request;
  std::optional<Bytes> reply;
  ErrorCode expected;
};
void PrintTo(const CommandCase& c, std::ostream* os) {
  *os << c.name;
}

const Bytes kReadSetupRequest{0x65, 0x01, 0x00, 0x80, 0x00, 0x00, 0x68};
const Bytes kReadNothingRequest{0x65, 0x01, 0x04, 0x00, 0x00, 0x00, 0x00};
const Bytes kEraseRequest{0x67, 0x01, 0x04, 0x00, 0x00};
const Bytes kMarkerRequest{0x68, 0x01, 0x04, 0x00, 0x00, 0x00, 0x04, 0xAA, 0x55, 0x55, 0xAA};
const Bytes kProgramRowRequest = Padded({0x6C, 0x85}, 240, '1');
const Bytes kProgramSignatureRequest = Padded({0x6E}, 120, '0');

const CommandCase kCases[] = {
    {"ReadMemoryExact", ReadSetupBlock, kReadSetupRequest, Padded({'e'}, 110), kOk},
    {"ReadMemoryShort", ReadSetupBlock, kReadSetupRequest, Padded({'e'}, 109), kErrBadReply},
    {"ReadMemoryLong", ReadSetupBlock, kReadSetupRequest, Padded({'e'}, 111), kErrBadReply},
    {"ReadMemoryWrongLetter", ReadSetupBlock, kReadSetupRequest, Padded({'x'}, 110), kErrBadReply},
    {"ReadMemoryZeroLength", ReadNothing, kReadNothingRequest, Padded({'e'}, 6), kOk},
    {"EraseSectorDone", EraseFirmwareStart, kEraseRequest, Bytes{'g', 0}, kOk},
    {"EraseSectorFailed", EraseFirmwareStart, kEraseRequest, Bytes{'g', 5}, kErrEraseFailed},
    {"EraseSectorThreeBytes", EraseFirmwareStart, kEraseRequest, Bytes{'g', 0, 0}, kErrBadReply},
    {"EraseSectorOneByte", EraseFirmwareStart, kEraseRequest, Bytes{'g'}, kErrBadReply},
    {"EraseSectorWrongLetter", EraseFirmwareStart, kEraseRequest, Bytes{'h', 0}, kErrBadReply},
    {"EraseSectorSilent", EraseFirmwareStart, kEraseRequest, std::nullopt, kErrNoReply},
    {"ProgramFlashDone", ProgramMarker, kMarkerRequest, Bytes{'h', 0, 1, 2, 3, 4}, kOk},
    {"ProgramFlashFailed", ProgramMarker, kMarkerRequest, Bytes{'h', 1, 1, 2, 3, 4},
     kErrProgramFailed},
    {"ProgramFlashFiveBytes", ProgramMarker, kMarkerRequest, Bytes{'h', 0, 1, 2, 3}, kErrBadReply},
    {"ProgramFlashWrongLetter", ProgramMarker, kMarkerRequest, Bytes{'g', 0, 1, 2, 3, 4},
     kErrBadReply},
    {"EnterLogicIspEmpty", EnterLogicIsp, {0x69, 0x01}, Bytes{}, kOk},
    {"EnterLogicIspSilent", EnterLogicIsp, {0x69, 0x01}, std::nullopt, kErrNoReply},
    {"LeaveLogicIspAnything", LeaveLogicIsp, {0x69, 0x00}, Bytes{'x', 'y'}, kOk},
    {"DeviceId", ReadDeviceId, {0x6A}, Bytes{'j', 19}, kOk},
    {"DeviceIdAnyLetter", ReadDeviceId, {0x6A}, Bytes{'x', 19, 7}, kOk},
    {"DeviceIdOneByte", ReadDeviceId, {0x6A}, Bytes{'j'}, kErrBadReply},
    {"DeviceIdEmpty", ReadDeviceId, {0x6A}, Bytes{}, kErrBadReply},
    {"FuseRowAnyFirstByte", ReadRow5, {0x6B, 0x05}, Padded({0xFF}, 480), kOk},
    {"FuseRowShort", ReadRow5, {0x6B, 0x05}, Padded({'k'}, 479), kErrBadReply},
    {"FuseRowLong", ReadRow5, {0x6B, 0x05}, Padded({'k'}, 481), kErrBadReply},
    {"ProgramFuseRowEmpty", ProgramRow133, kProgramRowRequest, Bytes{}, kOk},
    {"SignatureAnyFirstByte", ReadSignature, {0x6D}, Padded({0x00}, 120), kOk},
    {"SignatureShort", ReadSignature, {0x6D}, Padded({'m'}, 119), kErrBadReply},
    {"ProgramSignatureEmpty", ProgramSignature, kProgramSignatureRequest, Bytes{}, kOk},
    {"EraseLogicEmpty", EraseLogic, {0x70}, Bytes{}, kOk},
    {"StartFirmwareEmpty", StartFirmware, {0x71}, Bytes{}, kOk},
    {"StartFirmwareSilent", StartFirmware, {0x71}, std::nullopt, kErrNoReply},
};

class CommandExchange : public LoaderTest, public ::testing::WithParamInterface<CommandCase> {};

TEST_P(CommandExchange, SendsItsRequestAndJudgesTheReply) {
  const CommandCase& c = GetParam();
  if (c.reply) ch.ReplyLoader(*c.reply);

  EXPECT_EQ(c.run(link), c.expected);
  const std::vector<Bytes> sent = RequestsSent();
  ASSERT_FALSE(sent.empty());
  EXPECT_EQ(sent.front(), c.request);
}

INSTANTIATE_TEST_SUITE_P(Loader, CommandExchange, ::testing::ValuesIn(kCases), CaseName());

using LoaderCommandTest = LoaderTest;

TEST_F(LoaderCommandTest, ReadMemoryCopiesTheDataBehindTheSevenByteHead) {
  Bytes reply{'e', 9, 9, 9, 9, 9, 9};
  for (std::uint8_t i = 0; i < 104; ++i) reply.push_back(i);
  ch.ReplyLoader(reply);
  Bytes data(104, 0xEE);

  ASSERT_EQ(ReadMemory(link, 0x01008000, 104, data.data()), kOk);
  EXPECT_EQ(data, Bytes(reply.begin() + 7, reply.end()));
}

TEST_F(LoaderCommandTest, FailedReadsLeaveEveryOutputAlone) {
  ch.ReplyLoader(Padded({'e'}, 109));
  ch.ReplyLoader(Padded({'k'}, 479));
  ch.ReplyLoader(Padded({'m'}, 119));
  ch.ReplyLoader({'j', 19});
  ch.ReplyLoader({'j'});  // would leave 19 from the reply before where the identifier goes
  Bytes data(104, 0xEE);
  std::string programmed = "p", erased = "e", signature = "s";
  std::uint8_t deviceId = 0;

  EXPECT_EQ(ReadMemory(link, 0x01008000, 104, data.data()), kErrBadReply);
  EXPECT_EQ(ReadFuseRow(link, 0, programmed, erased), kErrBadReply);
  EXPECT_EQ(ReadUserSignature(link, signature), kErrBadReply);
  ASSERT_EQ(ReadLogicDeviceId(link, deviceId), kOk);
  deviceId = 0;
  EXPECT_EQ(ReadLogicDeviceId(link, deviceId), kErrBadReply);

  EXPECT_EQ(data, Bytes(104, 0xEE));
  EXPECT_EQ(programmed, "p");
  EXPECT_EQ(erased, "e");
  EXPECT_EQ(signature, "s");
  EXPECT_EQ(deviceId, 0);
}

TEST_F(LoaderCommandTest, ReadsSplitTheirTexts) {
  ch.ReplyLoader({'j', 19});
  ch.ReplyLoader(Padded(Padded({'k'}, 240, '1'), 240, '0'));
  ch.ReplyLoader(Padded({'m'}, 120, '1'));
  std::uint8_t deviceId = 0;
  std::string programmed, erased, signature;

  ASSERT_EQ(ReadLogicDeviceId(link, deviceId), kOk);
  ASSERT_EQ(ReadFuseRow(link, 0, programmed, erased), kOk);
  ASSERT_EQ(ReadUserSignature(link, signature), kOk);
  EXPECT_EQ(deviceId, 19);
  EXPECT_EQ(programmed, std::string(240, '1'));
  EXPECT_EQ(erased, std::string(240, '0'));
  EXPECT_EQ(signature, std::string(120, '1'));
}

TEST_F(LoaderCommandTest, ProgramFlashHandsBackTheValueEvenWhenItFails) {
  ch.ReplyLoader({'h', 1, 0x12, 0x34, 0x56, 0x78});
  ch.ReplyLoader({'h', 0, 0xFF, 0xFF, 0xFF});
  const std::uint8_t data[] = {1, 2, 3, 4};
  std::uint32_t value = 0;

  EXPECT_EQ(ProgramFlash(link, 0x01040000, 4, data, value), kErrProgramFailed);
  EXPECT_EQ(value, 0x12345678u);
  EXPECT_EQ(ProgramFlash(link, 0x01040000, 4, data, value), kErrBadReply);
  EXPECT_EQ(value, 0x12345678u);
}

TEST_F(LoaderCommandTest, ProgramFlashTakesAsMuchAsOneRequestHoldsAndRefusesMore) {
  const Bytes data(kMaxProgramFlashBytes + 1, 0x5A);
  ch.ReplyLoader({'h', 0, 0, 0, 0, 0});

  EXPECT_EQ(ProgramFlash(link, 0x01040000, data.size(), data.data()), kErrRequestTooLong);
  EXPECT_TRUE(ch.FramesWritten().empty());
  ASSERT_EQ(ProgramFlash(link, 0x01040000, kMaxProgramFlashBytes, data.data()), kOk);
  const Bytes sent = RequestsSent().at(0);
  ASSERT_EQ(sent.size(), kMaxRequestBytes);
  EXPECT_EQ(Bytes(sent.begin() + 5, sent.begin() + 7), (Bytes{0x05, 0xD3}));  // 1491
  EXPECT_EQ(Bytes(sent.begin() + 7, sent.end()), Bytes(kMaxProgramFlashBytes, 0x5A));
}

TEST_F(LoaderCommandTest, ShortTextsAreRefusedAndLongOnesCut) {
  EXPECT_EQ(ProgramFuseRow(link, 0, std::string(239, '1')), kErrTextTooShort);
  EXPECT_EQ(ProgramUserSignature(link, std::string(119, '1')), kErrTextTooShort);
  EXPECT_TRUE(ch.FramesWritten().empty());

  ch.ReplyLoader({});
  ch.ReplyLoader({});
  EXPECT_EQ(ProgramFuseRow(link, 0, std::string(240, '1') + "0"), kOk);
  EXPECT_EQ(ProgramUserSignature(link, std::string(120, '1') + "0"), kOk);
  EXPECT_EQ(RequestsSent().at(0), Padded({0x6C, 0x00}, 240, '1'));
  EXPECT_EQ(RequestsSent().at(1), Padded({0x6E}, 120, '1'));
}

TEST_F(LoaderCommandTest, CommandsNeedAConnectedLink) {
  link.connected = false;
  EXPECT_EQ(EraseSector(link, 0x01040000), kErrNotConnected);
  EXPECT_EQ(EraseLogic(link), kErrNotConnected);
  EXPECT_TRUE(ch.FramesWritten().empty());
}

TEST_F(LoaderCommandTest, EraseAllWalksTheSixSectorsLowestFirst) {
  for (int i = 0; i < 6; ++i) ch.ReplyLoader({'g', 0});

  ASSERT_EQ(EraseAllSectors(link), kOk);
  const std::vector<Bytes> expected = {
      {0x67, 0x01, 0x00, 0x80, 0x00}, {0x67, 0x01, 0x00, 0xC0, 0x00},
      {0x67, 0x01, 0x01, 0x00, 0x00}, {0x67, 0x01, 0x04, 0x00, 0x00},
      {0x67, 0x01, 0x08, 0x00, 0x00}, {0x67, 0x01, 0x0C, 0x00, 0x00},
  };
  EXPECT_EQ(RequestsSent(), expected);
}

TEST_F(LoaderCommandTest, EraseAllStopsAtTheFirstFailingSector) {
  ch.ReplyLoader({'g', 0});
  ch.ReplyLoader({'g', 0});
  ch.ReplyLoader({'g', 1});
  ch.ReplyLoader({'g', 0});

  EXPECT_EQ(EraseAllSectors(link), kErrEraseFailed);
  const std::vector<Bytes> sent = RequestsSent();
  ASSERT_EQ(sent.size(), 3u);
  EXPECT_EQ(sent.back(), (Bytes{0x67, 0x01, 0x01, 0x00, 0x00}));
}

}  // namespace
}  // namespace kvx::test
