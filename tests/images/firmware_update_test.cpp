#include <gmock/gmock.h>
#include <gtest/gtest.h>

#include <string>
#include <vector>

#include "connected_probe.h"
#include "images/firmware_update.h"
#include "loader/flash_map.h"
#include "recording_services.h"
#include "srecord_tools.h"
#include "temp_directory.h"

namespace kvx::test {
namespace {

using test::Trigger;
using ::testing::ElementsAre;

constexpr char kImageName[] = "KVXARMFW.105";
constexpr VersionNumber kImageNumber = 105;
constexpr std::uint32_t kImageStart = kFirmwareAreaStart + 4;

// A firmware update against the simulator, from an update directory of its own.
struct FirmwareUpdate {
  explicit FirmwareUpdate(sim::SimulatorOptions options = ConnectedProbe::WithRate(115200))
      : host(std::move(options)) {}

  ErrorCode Run(VersionNumber number = kImageNumber) {
    return UpdateFirmware(host.link, UpdateCatalogue(updates.Path()), number, services, progress);
  }
  std::uint64_t Requests() { return host.probe->Counters().engine.requests; }

  TempDirectory updates;
  ConnectedProbe host;
  RecordingServices services;
  FirmwareProgress progress;
};

TEST(UpdateFirmware, ProgramsAnObjcopyImageAndTheMarkerLast) {
  FirmwareUpdate update;
  const std::vector<std::uint8_t> binary = PatternBytes(4000);
  update.updates.Write(kImageName,
                       SRecordTools(update.updates.Path()).Objcopy(binary, kImageStart, 32));
  ASSERT_EQ(update.Run(), kOk);

  EXPECT_EQ(update.host.probe->ReadFlash(kImageStart, binary.size()), binary);
  EXPECT_THAT(update.host.probe->ReadFlash(kFirmwareAreaStart, 4),
              ElementsAre(0xAA, 0x55, 0x55, 0xAA));
  const std::vector<sim::ProgramRecord> log = update.host.probe->ProgramLog();
  ASSERT_EQ(log.size(), 125u + 1);
  EXPECT_EQ(log.back().address, kImageMarkerAddress);
  EXPECT_EQ(log.back().length, 4u);

  const std::vector<std::string>& statuses = update.services.statuses;
  EXPECT_EQ(statuses.front(), "Firmware: Erasing Flash ...");
  EXPECT_EQ(statuses[1], "Firmware: Programming Flash ...");
  EXPECT_EQ(statuses[statuses.size() - 2], "Firmware: Programming Flash ... ( 100% )");
  EXPECT_EQ(statuses.back(), "Firmware: Programming Flash ... passed!");
  // Whole percentages only, each once; the first update of a run shows no 0 %.
  const std::vector<unsigned>& percents = update.services.percents;
  EXPECT_TRUE(std::is_sorted(percents.begin(), percents.end()));
  EXPECT_EQ(std::adjacent_find(percents.begin(), percents.end()), percents.end());
  EXPECT_EQ(percents.front(), 1u);
}

TEST(UpdateFirmware, PadsRecordsToWholeWordsAndSkipsOtherRecords) {
  FirmwareUpdate update;
  update.updates.Write(kImageName,
                       "S00600004844521B\n"
                       "S30A01040004DEADBEEF01B3\n"
                       "S3150104000C000102030405060708090A0B0C0D0E0F61\n"
                       "S70501040004F1\n");
  ASSERT_EQ(update.Run(), kOk);
  const std::vector<sim::ProgramRecord> log = update.host.probe->ProgramLog();
  ASSERT_EQ(log.size(), 3u);
  EXPECT_EQ(log[0].address, kImageStart);
  EXPECT_EQ(log[0].length, 8u);
  EXPECT_EQ(log[1].length, 16u);
  EXPECT_THAT(update.host.probe->ReadFlash(kImageStart, 8),
              ElementsAre(0xDE, 0xAD, 0xBE, 0xEF, 0x01, 0xFF, 0xFF, 0xFF));
}

TEST(UpdateFirmware, AnEmptyImageLeavesOnlyTheMarker) {
  FirmwareUpdate update;
  update.updates.Write(kImageName, "");
  ASSERT_EQ(update.Run(), kOk);
  EXPECT_EQ(update.host.probe->ProgramLog().size(), 1u);
  EXPECT_EQ(update.services.LastStatus(), "Firmware: Programming Flash ... passed!");
}

struct RefusedImage {
  const char* name;
  std::string content;
};

// clang-format off
const RefusedImage kRefusedImages[] = {
    {"last line without newline", "S30A01040004DEADBEEF01B3\nS70501040004F1"},
    {"wrong checksum on the last line", "S30A01040004DEADBEEF01B3\nS30A01040008DEADBEEF01B3\n"},
    {"blank line", "S30A01040004DEADBEEF01B3\n\nS70501040004F1\n"},
    {"record into the setup block", "S30A01040004DEADBEEF01B3\nS30901008000DEADBEEFFD\n"},
    {"record into the loader", "S10500101234A4\n"},
    {"line longer than the line buffer", "S3" + std::string(300, '0') + "\n"},
};
// clang-format on

// Mend: a bad image is refused before the first erase, so the probe keeps its firmware.
TEST(UpdateFirmware, RefusesABadImageBeforeErasingAnything) {
  for (const RefusedImage& c : kRefusedImages) {
    SCOPED_TRACE(c.name);
    FirmwareUpdate update;
    update.updates.Write(kImageName, c.content);
    const std::uint64_t requests = update.Requests();
    EXPECT_EQ(update.Run(), kErrFirmwareFile);
    EXPECT_EQ(update.Requests(), requests);
    EXPECT_THAT(update.services.statuses, ElementsAre("Firmware: Programming Flash ... failed!"));
  }
}

TEST(UpdateFirmware, AMissingFileChangesNothingAndSaysNothing) {
  for (VersionNumber number : {VersionNumber{105}, VersionNumber{0}, VersionNumber{256}}) {
    FirmwareUpdate update;
    EXPECT_EQ(update.Run(number), kErrFirmwareFile);
    EXPECT_TRUE(update.services.statuses.empty());
  }
}

struct LoaderFault {
  const char* name;
  void (*inject)(sim::FaultOptions&);
  ErrorCode result;
  const char* lastStatus;
};

// clang-format off
const LoaderFault kLoaderFaults[] = {
    {"second sector erase fails", [](sim::FaultOptions& f) { f.failErase = Trigger("2", 'g'); },
     kErrEraseFailed, "Firmware: Erasing Flash ... failed!"},
    {"a record fails", [](sim::FaultOptions& f) { f.failProgram = Trigger("20", 'h'); },
     kErrProgramFailed, "Firmware: Programming Flash ... failed!"},
    {"the probe falls silent", [](sim::FaultOptions& f) { f.silentAfter = 40; },
     kErrNoReply, "Firmware: Programming Flash ... failed!"},
    {"lost and broken replies", [](sim::FaultOptions& f) {
       f.dropReply = Trigger("h:0.03"); f.corruptChecksum = Trigger("h:0.03"); f.noise = Trigger("0.05"); },
     kOk, "Firmware: Programming Flash ... passed!"},
};
// clang-format on

TEST(UpdateFirmware, LoaderFaultsEndTheUpdateWithoutAMarker) {
  const std::vector<std::uint8_t> binary = PatternBytes(1600);
  for (const LoaderFault& c : kLoaderFaults) {
    SCOPED_TRACE(c.name);
    sim::SimulatorOptions options = ConnectedProbe::WithRate(115200);
    c.inject(options.faults);
    FirmwareUpdate update(options);
    update.updates.Write(kImageName,
                         SRecordTools(update.updates.Path()).Objcopy(binary, kImageStart, 32));
    EXPECT_EQ(update.Run(), c.result);
    EXPECT_EQ(update.services.LastStatus(), c.lastStatus);
    const bool marked = update.host.probe->ReadFlash(kFirmwareAreaStart, 4) ==
                        std::vector<std::uint8_t>(kImageMarker.begin(), kImageMarker.end());
    EXPECT_EQ(marked, c.result == kOk);
    if (c.result == kOk) {
      EXPECT_EQ(update.host.probe->ReadFlash(kImageStart, binary.size()), binary);
    }
  }
}

// The percentage shown last is kept across updates, so a repeat of it is not shown again.
TEST(ShowFirmwareProgress, ShowsEachNewWholePercentageOnce) {
  RecordingServices services;
  FirmwareProgress progress;
  for (std::uint32_t position : {0u, 5u, 9u, 10u, 999u, 1000u}) {
    ShowFirmwareProgress(1000, position, services, progress);
  }
  ShowFirmwareProgress(1000, 1000, services, progress);  // a second update's last line
  ShowFirmwareProgress(1000, 0, services, progress);
  EXPECT_THAT(services.percents, ElementsAre(1u, 99u, 100u, 0u));
  EXPECT_EQ(services.statuses.front(), "Firmware: Programming Flash ... ( 1% )");
}

}  // namespace
}  // namespace kvx::test
