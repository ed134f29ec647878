#include <gtest/gtest.h>

#include <algorithm>
#include <cstddef>
#include <cstdint>
#include <functional>
#include <optional>
#include <string>
#include <vector>

#include "fuse_pattern.h"
#include "images/logic_update.h"
#include "images/user_signature.h"
#include "loader/logic_commands.h"
#include "recording_services.h"
#include "scripted_link.h"
#include "ui/messages.h"
#include "virtual_probe.h"

namespace kvx::test {
namespace {

const std::string kSignatureText = "T3952D8105";

// clang-format off
struct EncodingCase { std::string text; std::size_t at; std::string bits; };
const EncodingCase kEncodings[] = {
  {"T3952D8105", 0, "0101010000110011"},                 // 'T' 0x54, '3' 0x33
  {"ABCDEFGHIJKLMNOPQ", 112, "01001111"},                // the 15th character, 'O', ends it
  {"\xFF", 0, "11111111" + std::string(112, '0')},
};
// clang-format on

TEST(UserSignature, EncodesFifteenBytesMostSignificantBitFirst) {
  for (const EncodingCase& c : kEncodings) {
    SCOPED_TRACE(c.text);
    const std::string bits = EncodeUserSignature(c.text);
    ASSERT_EQ(bits.size(), kUserSignatureCharacters);
    EXPECT_EQ(bits.substr(c.at, c.bits.size()), c.bits);
  }
}

TEST(UserSignature, TextCarriesTheLogicFileDigits) {
  EXPECT_EQ(MakeUserSignatureText(105), kSignatureText);
  EXPECT_EQ(MakeUserSignatureText(7), "T3952D8007");
  EXPECT_EQ(MakeUserSignatureText(256), "T3952D8000");
}

// The rows are read from the device itself: a fault that programming and verifying share would
// let every step pass.
TEST(LogicUpdate, ErasesProgramsAndVerifiesTheDevice) {
  ConnectedVirtualProbe host;
  ASSERT_EQ(host.startup, kOk);
  ProbeLink& link = host.link;
  RecordingServices services;
  const FuseMap map = PatternMap();

  EXPECT_TRUE(BeginLogicIsp(link, services));
  EXPECT_TRUE(CheckLogicDevice(link, services));
  EXPECT_TRUE(EraseLogicDevice(link, services));
  EXPECT_TRUE(ProgramFuseMap(link, map, kSignatureText, services));
  EXPECT_TRUE(VerifyFuseMap(link, map, kSignatureText, services));
  EXPECT_TRUE(EndLogicIsp(link, services));

  for (std::size_t r = 0; r < kFuseRowCount; ++r) EXPECT_EQ(host.FuseRow(r), map[r]) << r;
  EXPECT_EQ(std::count(services.events.begin(), services.events.end(), "cursor on"), 6);
  // One status a row, programming and verifying alike.
  ASSERT_EQ(services.statuses.size(), 3 + 2 * kFuseRowCount);
  EXPECT_EQ(services.statuses[0], "Logic: Erasing ...");
  EXPECT_EQ(services.statuses[1], "Logic: Programming ...");
  EXPECT_EQ(services.statuses[2], "Logic: Programming ... ( 0% )");
  EXPECT_EQ(services.statuses[2 + kFuseRowCount], "Logic: Verifying ...");
  EXPECT_EQ(services.statuses.back(), "Logic: Verifying ... ( 99% )");
  // Each pass ends on the amount its 99% stands for: the last row's report leaves it out.
  ASSERT_EQ(services.amounts.size(), 2 * kFuseRowCount);
  for (const std::size_t end : {kFuseRowCount - 1, 2 * kFuseRowCount - 1}) {
    EXPECT_EQ(services.amounts[end].done, kFuseRowCount - 1);
    EXPECT_EQ(services.amounts[end].total, kFuseRowCount);
  }
}

Bytes Reply(char letter, const std::string& text = "") {
  Bytes reply(1 + text.size());
  reply[0] = static_cast<std::uint8_t>(letter);
  std::copy(text.begin(), text.end(), reply.begin() + 1);
  return reply;
}

std::string Flipped(std::string bits, std::size_t at) {
  bits[at] = bits[at] == '0' ? '1' : '0';
  return bits;
}

using Script = std::function<void(ScriptedChannel&)>;

// A loader that answers `rows` fuse rows, as programmed ('l') or as read ('k': the pattern row
// programmed and erased alike), then with `last` when there is one, and is silent after.
Script Answers(char letter, std::size_t rows, std::optional<Bytes> last = std::nullopt) {
  return [=](ScriptedChannel& ch) {
    const FuseMap map = PatternMap();
    for (std::size_t r = 0; r < rows; ++r)
      ch.ReplyLoader(Reply(letter, letter == 'k' ? map[r] + map[r] : ""));
    if (last) ch.ReplyLoader(*last);
  };
}

using Step = std::function<bool(ProbeLink&, DialogServices&)>;
const Step kBegin = BeginLogicIsp;
const Step kEnd = EndLogicIsp;
const Step kCheck = CheckLogicDevice;
const Step kErase = EraseLogicDevice;
const Step kProgram = [](ProbeLink& l, DialogServices& s) {
  return ProgramFuseMap(l, PatternMap(), kSignatureText, s);
};
const Step kVerify = [](ProbeLink& l, DialogServices& s) {
  return VerifyFuseMap(l, PatternMap(), kSignatureText, s);
};
const Step kRead = [](ProbeLink& l, DialogServices& s) {
  FuseMap map;
  std::string signatureBits;
  return ReadFuseMap(l, map, signatureBits, s);
};

// Faults the simulator does not produce on demand. A silent loader is asked three times.
struct FaultCase {
  const char* name;
  Script script;
  Step step;
  const char* box;
  std::string lastStatus;  // what the status line keeps; "" when the step writes none
  std::size_t framesSent;
  Bytes lastRequestHead;  // the first bytes of the last request sent
};

// clang-format off
const FaultCase kFaults[] = {
  {"silent loader, enter", Answers('l', 0), kBegin, kCommunicationFailedText, "", 3, {'i', 1}},
  {"silent loader, erase", Answers('l', 0), kErase, kCommunicationFailedText, "Logic: Erasing ...", 3, {'p'}},
  {"device id 18", Answers('l', 0, Bytes{'j', 18}), kCheck, "Logic: Unknown ispLSI device type!", "", 1, {'j'}},
  {"device id missing", Answers('l', 0, Bytes{'j'}), kCheck, kCommunicationFailedText, "", 1, {'j'}},
  {"row 40 unanswered", Answers('l', 40), kProgram, kCommunicationFailedText, "Logic: Programming ... ( 29% )", 43, {'l', 40}},
  {"signature unanswered", Answers('l', 134), kProgram, kCommunicationFailedText, "Logic: Programming ... ( 99% )", 137, {'n'}},
  {"row 7 unanswered", Answers('k', 7), kVerify, kCommunicationFailedText, "Logic: Verifying ... ( 5% )", 10, {'k', 7}},
  {"programmed reading differs", Answers('k', 7, Reply('k', Flipped(PatternMap()[7], 0) + PatternMap()[7])),
   kVerify, "Logic: Fuse map programmed verification failed!", "Logic: Verifying ... ( 5% )", 8, {'k', 7}},
  {"erased reading differs in one fuse", Answers('k', 7, Reply('k', PatternMap()[7] + Flipped(PatternMap()[7], 239))),
   kVerify, "Logic: Fuse map erased verification failed!", "Logic: Verifying ... ( 5% )", 8, {'k', 7}},
  {"signature differs", Answers('k', 134, Reply('m', Flipped(EncodeUserSignature(kSignatureText), 119))),
   kVerify, "Logic: UES verify failed!", "Logic: Verifying ... ( 99% )", 135, {'m'}},
  // Mends: what is not fuses would be written to a file that cannot be read back.
  {"row read as other characters", Answers('k', 7, Reply('k', "2" + PatternMap()[7].substr(1) + PatternMap()[7])),
   kRead, kCommunicationFailedText, "Logic: Reading ... ( 5% )", 8, {'k', 7}},
  {"signature read as other characters", Answers('k', 134, Reply('m', std::string(119, '0') + "x")),
   kRead, kCommunicationFailedText, "Logic: Reading ... ( 99% )", 135, {'m'}},
};
// clang-format on

TEST(LogicUpdateSteps, ReportEachFaultWithTheCursorOffAndSendNothingMore) {
  for (const FaultCase& c : kFaults) {
    SCOPED_TRACE(c.name);
    ScriptedLink s;
    RecordingServices services;
    c.script(s.ch);

    EXPECT_FALSE(c.step(s.link, services));
    EXPECT_EQ(services.BoxTexts(), std::vector<std::string>{c.box});
    EXPECT_EQ(services.cursorDepthAtBox, std::vector<int>{0});
    EXPECT_EQ(std::count(services.events.begin(), services.events.end(), "cursor on"), 1);
    EXPECT_EQ(services.LastStatus(), c.lastStatus);
    const std::vector<Bytes> requests = s.RequestsSent();
    ASSERT_EQ(requests.size(), c.framesSent);
    EXPECT_TRUE(
        std::equal(c.lastRequestHead.begin(), c.lastRequestHead.end(), requests.back().begin()));
  }
}

}  // namespace
}  // namespace kvx::test
