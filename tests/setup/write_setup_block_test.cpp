#include "setup/write_setup_block.h"

#include <gtest/gtest.h>

#include <string>
#include <vector>

#include "loader/flash_map.h"
#include "scripted_link.h"
#include "virtual_probe.h"

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

// The loader starts at 9600 baud, so the link agrees on 115200 first.
TEST(WriteSetupBlock, LeavesTheBuiltBlockInTheSimulatedProbesFlash) {
  sim::SimulatorOptions options = test::VirtualProbe::WithRate(9600);
  options.identity.serial = "90817263";
  test::ConnectedVirtualProbe host(options);
  ASSERT_EQ(host.startup, kOk);
  EXPECT_EQ(host.channel.ListenRate(), 115200u);

  EXPECT_EQ(Transmit(host.link), kOk);
  // A second transfer must erase before it programs, or the probe refuses the bytes.
  EXPECT_EQ(Transmit(host.link), kOk);
  EXPECT_EQ(host.ReadFlash(kSetupBlockAddress, kSetupBlockSize), BlockBytes("90817263"));
}

Bytes ReadBackReply(const std::string& serial, std::size_t differing) {
  Bytes reply{'e', 0x01, 0x00, 0x80, 0x00, 0x00, 0x68};
  const Bytes block = BlockBytes(serial);
  reply.insert(reply.end(), block.begin(), block.end());
  reply[7 + differing] ^= 0x01;
  return reply;
}

// A loader that answers with an identity, then with `replies`; the transfer stops at the first
// that fails with its code, and sends nothing after it.
TEST(WriteSetupBlock, StopsAtTheFirstFaultWithItsCode) {
  const Bytes programmed = {'h', 0, 0x01, 0x00, 0x80, 0x68};
  struct Case {
    const char* name;
    const char* serial;  // seven characters: an identity reply of unusual length, no serial
    std::vector<Bytes> replies;
    ErrorCode expected;
    const char* letters;  // of the requests sent
  };
  // clang-format off
  const Case cases[] = {
      {"identity without serial", "1234567", {}, kErrBadReply, "rd"},
      {"failed erase", "12345678", {{'g', 4}}, kErrEraseFailed, "rdg"},
      {"first byte read back differs", "12345678", {{'g', 0}, programmed, ReadBackReply("12345678", 0)}, kErrSetupMismatch, "rdghe"},
      {"a middle byte read back differs", "12345678", {{'g', 0}, programmed, ReadBackReply("12345678", 27)}, kErrSetupMismatch, "rdghe"},
      {"read-back unanswered", "12345678", {{'g', 0}, programmed}, kErrNoReply, "rdgheee"},
      {"last byte read back differs", "12345678", {{'g', 0}, programmed, ReadBackReply("12345678", kSetupBlockSize - 1)}, kErrSetupMismatch, "rdghe"},
  };
  // clang-format on
  for (const Case& c : cases) {
    SCOPED_TRACE(c.name);
    test::ScriptedLink s;
    s.ch.ReplyLoader({0x00});
    s.ch.ReplyLoader(test::IdentityReply(c.serial));
    for (const Bytes& reply : c.replies) s.ch.ReplyLoader(reply);
    EXPECT_EQ(Transmit(s.link), c.expected);
    std::string letters;
    for (const Bytes& request : s.RequestsSent()) letters += static_cast<char>(request.at(0));
    EXPECT_EQ(letters, c.letters);
  }
}

}  // namespace
}  // namespace kvx
