#include "setup/write_setup_block.h"

#include <gtest/gtest.h>

#include <string>
#include <vector>

#include "connected_probe.h"
#include "loader/flash_map.h"
#include "scripted_link.h"

namespace kvx {
namespace {

using test::Bytes;

const NetworkSetupTexts kTexts = {"10.0.0.2", "10.0.0.1", "255.255.255.0", "10.0.0.254", "cfg"};

ErrorCode Transmit(ProbeLink& link) {
  return WriteSetupBlock(link, kTexts);
}

Bytes BlockBytes(const std::string& serial) {
  const SetupBlock block = BuildSetupBlock(serial, kTexts).value();
  return Bytes(block.begin(), block.end());
}

TEST(WriteSetupBlock, LeavesTheBuiltBlockInTheSimulatedProbesFlash) {
  sim::SimulatorOptions options = test::ConnectedProbe::WithRate(115200);
  options.identity.serial = "90817263";
  test::ConnectedProbe host(options);
  ASSERT_EQ(host.startup, kOk);

  EXPECT_EQ(Transmit(host.link), kOk);
  // A second transfer must erase before it programs, or the probe refuses the bytes.
  EXPECT_EQ(Transmit(host.link), kOk);
  EXPECT_EQ(host.probe->ReadFlash(kSetupBlockAddress, kSetupBlockSize), BlockBytes("90817263"));
}

// A connected scripted link whose loader answers with a probe's identity and flash.
struct ScriptedProbe : test::ScriptedLink {
  void ReplyIdentity(const std::string& serial) {
    ch.ReplyLoader({0x00});
    ch.ReplyLoader(test::IdentityReply(serial));
  }
  void ReplyReadBack(const Bytes& block) {
    Bytes reply{'e', 0x01, 0x00, 0x80, 0x00, 0x00, 0x68};
    for (std::uint8_t byte : block) reply.push_back(byte);
    ch.ReplyLoader(reply);
  }
  // The command letters of the requests sent, in order.
  std::string Letters() const {
    std::string letters;
    for (const Bytes& request : RequestsSent()) letters += static_cast<char>(request.at(0));
    return letters;
  }
};

TEST(WriteSetupBlock, ReportsAReadBackThatDiffersInAnyByte) {
  for (const std::size_t differing : {std::size_t{0}, std::size_t{27}, kSetupBlockSize - 1}) {
    SCOPED_TRACE(differing);
    ScriptedProbe s;
    s.ReplyIdentity("12345678");
    s.ch.ReplyLoader({'g', 0});
    s.ch.ReplyLoader({'h', 0, 0x01, 0x00, 0x80, 0x68});
    Bytes stored = BlockBytes("12345678");
    stored[differing] ^= 0x01;
    s.ReplyReadBack(stored);
    EXPECT_EQ(Transmit(s.link), kErrSetupMismatch);
    EXPECT_EQ(s.Letters(), "rdghe");
  }
}

TEST(WriteSetupBlock, RefusesAnIdentityWithoutSerialBeforeErasing) {
  ScriptedProbe s;
  // An identity reply of unusual length carries no serial number.
  s.ReplyIdentity("1234567");
  EXPECT_EQ(Transmit(s.link), kErrBadReply);
  EXPECT_EQ(s.Letters(), "rd");
}

TEST(WriteSetupBlock, StopsAtAFailedEraseWithItsCode) {
  ScriptedProbe s;
  s.ReplyIdentity("12345678");
  s.ch.ReplyLoader({'g', 4});
  EXPECT_EQ(Transmit(s.link), kErrEraseFailed);
  EXPECT_EQ(s.Letters(), "rdg");
}

}  // namespace
}  // namespace kvx
