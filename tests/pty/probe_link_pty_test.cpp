#include <gmock/gmock.h>
#include <gtest/gtest.h>

#include "app/probe_connect.h"
#include "link/channel_ops.h"
#include "link/link_startup.h"
#include "link/posix/posix_serial_channel.h"
#include "loader/flash_map.h"
#include "loader/loader_commands.h"
#include "simulated_probe.h"

namespace kvx {
namespace {

using test::SimulatedProbe;
using test::Trigger;

// Our end of the line: the real POSIX port, connected to the simulator.
struct HostEnd {
  explicit HostEnd(SimulatedProbe& probe) : link(channel), path(probe->SlavePath()) {}
  ~HostEnd() { CloseProbeLink(link); }
  ErrorCode Connect(std::uint32_t rate = 115200) { return ConnectProbeLink(link, path, rate); }

  PosixSerialChannel channel;
  ProbeLink link;
  std::string path;
};

TEST(ProbeLinkOverPty, ConnectsToALoaderListeningAtAnotherRate) {
  sim::SimulatorOptions options;
  options.rate = 9600;
  SimulatedProbe probe(options);
  HostEnd host(probe);
  ASSERT_EQ(host.Connect(115200), kOk);
  EXPECT_EQ(host.link.baudRate, 115200u);
  EXPECT_EQ(probe->ListenRate(), 115200u);
}

TEST(ProbeLinkOverPty, ReadsTheIdentity) {
  sim::SimulatorOptions options;
  options.identity.serial = "AB12CD34EF";
  options.identity.firmwareWord = 0xCE00 + 105;
  SimulatedProbe probe(options);
  HostEnd host(probe);
  ProbeIdentity identity;
  ASSERT_EQ(ConnectToProbe(
                host.link, [&] { return host.Connect(); }, identity),
            ConnectOutcome::kConnected);
  EXPECT_EQ(identity.loaderVersion, 103);
  EXPECT_EQ(identity.firmwareVersion, 105);
  EXPECT_EQ(identity.logicVersion, 104);
  EXPECT_EQ(identity.serialNumber, "AB12CD34EF");
  EXPECT_EQ(identity.macAddressText, "02B7E9AB12CD");
}

TEST(ProbeLinkOverPty, ErasesProgramsAndReadsBackFlash) {
  SimulatedProbe probe;
  HostEnd host(probe);
  ASSERT_EQ(host.Connect(), kOk);
  std::vector<std::uint8_t> record(32);
  for (std::size_t i = 0; i < record.size(); ++i) record[i] = static_cast<std::uint8_t>(i * 7);

  ASSERT_EQ(EraseSector(host.link, kFirmwareAreaStart), kOk);
  ASSERT_EQ(ProgramFlash(host.link, kFirmwareAreaStart + 64, record.size(), record.data()), kOk);
  std::vector<std::uint8_t> readBack(record.size());
  ASSERT_EQ(ReadMemory(host.link, kFirmwareAreaStart + 64, 32, readBack.data()), kOk);
  EXPECT_EQ(readBack, record);
  EXPECT_EQ(probe->ReadFlash(kFirmwareAreaStart + 64, 32), record);
  // Flash must be erased before it is programmed again.
  EXPECT_EQ(ProgramFlash(host.link, kFirmwareAreaStart + 64, record.size(), record.data()),
            kErrProgramFailed);
  EXPECT_EQ(EraseSector(host.link, 0x01000000), kErrEraseFailed);
}

TEST(ProbeLinkOverPty, RecoversFromALostOrCorruptedReply) {
  for (bool corrupt : {false, true}) {
    SCOPED_TRACE(corrupt ? "corrupted checksum" : "dropped reply");
    sim::SimulatorOptions options;
    (corrupt ? options.faults.corruptChecksum : options.faults.dropReply) = Trigger("e:1");
    SimulatedProbe probe(options);
    HostEnd host(probe);
    ASSERT_EQ(host.Connect(), kOk);
    std::uint8_t bytes[4];
    EXPECT_EQ(ReadMemory(host.link, kSetupBlockAddress, sizeof bytes, bytes), kOk);
    // The request went out again with its own sequence number and was answered as a repeat.
    EXPECT_EQ(probe->Counters().engine.retransmissions, 1u);
  }
}

TEST(ProbeLinkOverPty, ALoaderThatNeverAnswersCorrectlyFailsTheRequest) {
  sim::SimulatorOptions options;
  options.faults.corruptChecksum = Trigger("e:*");
  SimulatedProbe probe(options);
  HostEnd host(probe);
  ASSERT_EQ(host.Connect(), kOk);
  std::uint8_t bytes[4];
  EXPECT_EQ(ReadMemory(host.link, kSetupBlockAddress, sizeof bytes, bytes), kErrNoReply);
}

TEST(ProbeLinkOverPty, ASecondProgramCannotOpenThePortInUse) {
  SimulatedProbe probe;
  HostEnd host(probe);
  ASSERT_EQ(host.Connect(), kOk);
  PosixSerialChannel intruder;
  EXPECT_FALSE(intruder.OpenPort(probe->SlavePath()));
  EXPECT_THAT(intruder.LastError(), ::testing::HasSubstr("in use"));
}

}  // namespace
}  // namespace kvx
