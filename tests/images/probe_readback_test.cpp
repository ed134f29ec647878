#include <gtest/gtest.h>

#include <algorithm>
#include <cstddef>
#include <cstdint>
#include <functional>
#include <optional>
#include <string>
#include <vector>

#include "fuse_pattern.h"
#include "images/firmware_update.h"
#include "images/jedec_reader.h"
#include "images/logic_update.h"
#include "images/probe_readback.h"
#include "images/user_signature.h"
#include "loader/flash_commands.h"
#include "loader/flash_map.h"
#include "recording_services.h"
#include "srecord_tools.h"
#include "virtual_probe.h"

namespace kvx::test {
namespace {

constexpr std::size_t kAreaBytes = kFirmwareAreaEnd - kFirmwareAreaStart;
const std::string kSignatureText = "T3952D8105";

void Program(ProbeLink& link, std::uint32_t address, const std::vector<std::uint8_t>& bytes) {
  for (std::size_t at = 0; at < bytes.size(); at += 1488) {
    const std::size_t n = std::min<std::size_t>(1488, bytes.size() - at);
    ASSERT_EQ(ProgramFlash(link, static_cast<std::uint32_t>(address + at), n, bytes.data() + at),
              kOk);
  }
}

bool ProgramLogic(ProbeLink& link, const FuseMap& map, const std::string& signatureText) {
  RecordingServices services;
  const bool programmed = BeginLogicIsp(link, services) && EraseLogicDevice(link, services) &&
                          ProgramFuseMap(link, map, signatureText, services);
  return EndLogicIsp(link, services) && programmed;
}

struct ReadBack {
  std::string firmware;
  std::string logic;
};

ReadBack ReadProbe(ProbeLink& link) {
  RecordingServices services;
  FirmwareReading firmware;
  LogicReading logic;
  EXPECT_EQ(ReadFirmwareArea(link, services, firmware), kOk);
  EXPECT_EQ(firmware.MarkerState(), ImageMarkerState::kPresent);
  EXPECT_TRUE(ReadLogicDevice(link, services, logic));
  return {FormatFirmwareSRecords(firmware), FormatLogicJedec(logic)};
}

// A probe read into files, then a blank one programmed from them the way an update programs
// any file: the flash, marker and erased gaps included, the fuses and the signature end up as
// they were.
TEST(ProbeReadback, FilesProgramABlankProbeAsTheProbeTheyWereReadFrom) {
  ConnectedVirtualProbe source;
  ASSERT_EQ(source.startup, kOk);
  Program(source.link, kFirstImageAddress, PatternBytes(3000));
  Program(source.link, kFirmwareSector1 + 0x100, PatternBytes(500, 2));
  Program(source.link, kFirmwareAreaEnd - 8, {1, 2, 3, 4, 5, 6, 7, 8});
  Program(source.link, kImageMarkerAddress, {kImageMarker.begin(), kImageMarker.end()});
  ASSERT_TRUE(ProgramLogic(source.link, PatternMap(), kSignatureText));

  RecordingServices services;
  FirmwareReading firmware;
  const std::uint64_t before = source.Requests();
  ASSERT_EQ(ReadFirmwareArea(source.link, services, firmware), kOk);
  // Every request but the last carries as much as one reply can: 1491 bytes, which with the
  // reply's 7 bytes before them and the link header fill a frame.
  EXPECT_EQ(source.Requests() - before, 528u);
  EXPECT_EQ(firmware.MarkerState(), ImageMarkerState::kPresent);
  // Every percentage once, 0 aside: it is the one the progress starts from.
  ASSERT_EQ(services.statuses.size(), 1 + 100 + 1u);
  EXPECT_EQ(services.statuses[0], "Firmware: Reading Flash ...");
  EXPECT_EQ(services.statuses[1], "Firmware: Reading Flash ... ( 1% )");
  EXPECT_EQ(services.statuses[100], "Firmware: Reading Flash ... ( 100% )");
  EXPECT_EQ(services.statuses[101], "Firmware: Reading Flash ... passed!");

  RecordingServices logicServices;
  LogicReading logic;
  ASSERT_TRUE(ReadLogicDevice(source.link, logicServices, logic));
  EXPECT_FALSE(source.InLogicIsp());
  EXPECT_EQ(logicServices.statuses.front(), "Logic: Reading ...");
  EXPECT_EQ(logicServices.statuses.back(), "Logic: Reading ... passed!");
  EXPECT_EQ(logicServices.statuses.size(), 1 + kFuseRowCount + 1);
  EXPECT_TRUE(logicServices.boxes.empty());
  EXPECT_EQ(logicServices.cursorDepth, 0);

  const FirmwareImage image = CheckFirmwareImage(FormatFirmwareSRecords(firmware));
  ASSERT_EQ(image.problem, "");
  FuseMap map;
  std::optional<std::string> signature;
  std::string problem;
  ASSERT_EQ(ParseJedecText(FormatLogicJedec(logic), map, signature, problem),
            JedecParseResult::kRead)
      << problem;
  EXPECT_EQ(map, PatternMap());
  EXPECT_EQ(signature, kSignatureText);

  ConnectedVirtualProbe blank;
  ASSERT_EQ(blank.startup, kOk);
  FirmwareProgress progress;
  ASSERT_EQ(UpdateFirmware(blank.link, image, services, progress), kOk);
  ASSERT_TRUE(ProgramLogic(blank.link, map, *signature));
  EXPECT_EQ(blank.ReadFlash(kFirmwareAreaStart, kAreaBytes),
            source.ReadFlash(kFirmwareAreaStart, kAreaBytes));
  for (std::size_t r = 0; r < kFuseRowCount; ++r)
    EXPECT_EQ(blank.FuseRow(r), source.FuseRow(r)) << r;
  // The signature too: the files read from both probes are the same.
  const ReadBack fromSource = ReadProbe(source.link);
  const ReadBack fromCopy = ReadProbe(blank.link);
  EXPECT_EQ(fromCopy.firmware, fromSource.firmware);
  EXPECT_EQ(fromCopy.logic, fromSource.logic);
}

// The area as read: all erased but the marker's word and `data` at each offset into it.
FirmwareReading Area(const std::vector<std::pair<std::size_t, std::vector<std::uint8_t>>>& data) {
  FirmwareReading reading{std::vector<std::uint8_t>(kAreaBytes, 0xFF)};
  std::copy(kImageMarker.begin(), kImageMarker.end(), reading.area.begin());
  for (const auto& [offset, bytes] : data)
    std::copy(bytes.begin(), bytes.end(), reading.area.begin() + static_cast<long>(offset));
  return reading;
}

TEST(ProbeReadback, WritesTheImageBehindTheMarkerAsS3Records) {
  EXPECT_EQ(FormatFirmwareSRecords(Area({{4, {0xDE, 0xAD, 0xBE, 0xEF, 0x01}}})),
            "S02E00004B565837303030206669726D7761726520617265613B20696D616765206D61726B65722070"
            "726573656E74BA\n"
            "S30A01040004DEADBEEF01B3\n"
            "S5030001FB\n"
            "S70500000000FA\n");

  // Records of 64 bytes from the first image byte; erased ones are left out, the last ends at
  // the last byte that is not erased.
  const struct {
    const char* name;
    FirmwareReading reading;
    std::vector<std::pair<std::uint32_t, std::size_t>> records;  // address, data bytes
    std::string problem;
  } cases[] = {
      {"gap and a short last record",
       Area({{4, {0}}, {4 + 128 + 2, {0x12, 0xFF, 0x34}}}),
       {{0x01040004, 64}, {0x01040084, 5}},
       ""},
      {"up to the area's end", Area({{kAreaBytes - 1, {0x00}}}), {{0x010FFFC4, 60}}, ""},
      {"a 0xFF inside a record is kept", Area({{4, {0xFF, 0xFF, 0x01}}}), {{0x01040004, 3}}, ""},
      {"nothing but the marker", Area({}), {}, "holds no data record"},
  };
  for (const auto& c : cases) {
    SCOPED_TRACE(c.name);
    const FirmwareImage image = CheckFirmwareImage(FormatFirmwareSRecords(c.reading));
    EXPECT_EQ(image.problem, c.problem);
    std::vector<std::pair<std::uint32_t, std::size_t>> records;
    for (const ImageRecord& record : image.records)
      records.emplace_back(record.address, record.length);
    EXPECT_EQ(records, c.records);
  }
}

TEST(ProbeReadback, TellsTheMarkerFromAnErasedOrForeignWord) {
  FirmwareReading reading = Area({});
  EXPECT_EQ(reading.MarkerState(), ImageMarkerState::kPresent);
  reading.area[3] = 0xAB;
  EXPECT_EQ(reading.MarkerState(), ImageMarkerState::kOther);
  reading.area[3] = 0xFF;
  EXPECT_EQ(reading.MarkerState(), ImageMarkerState::kOther);
  std::fill_n(reading.area.begin(), 4, 0xFF);
  EXPECT_EQ(reading.MarkerState(), ImageMarkerState::kErased);
}

// The fuse checksum (42BD) and the transmission checksum (F7D4, the bytes from STX to ETX
// summed) were worked out apart from the writer.
TEST(ProbeReadback, WritesTheLogicDeviceAsAJedecFile) {
  EXPECT_EQ(FormatLogicJedec({PatternMap(), EncodeUserSignature(kSignatureText)}),
            "\x02KVX7000 logic device*\nQF32160*\nU" + EncodeUserSignature(kSignatureText) +
                "*\n*L00000\n" + FuseLines() + "*C42BD*\n\x03" + "F7D4\n");
}

// A reply that does not fit ends the read at once, says so, and leaves the logic device's
// programming mode all the same.
TEST(ProbeReadback, AFailedReadSaysSoAndLeavesProgrammingMode) {
  const struct {
    const char* name;
    std::function<void(sim::FaultOptions&)> fault;
    std::string lastStatus;
    std::vector<std::string> boxes;
  } cases[] = {
      {"firmware",
       [](sim::FaultOptions& f) { f.wrongLength = Trigger("e:3"); },
       "Firmware: Reading Flash ... failed!",
       {}},
      {"row 40",
       [](sim::FaultOptions& f) { f.wrongLength = Trigger("k:41"); },
       "Logic: Reading ... ( 29% )",
       {"Communication with KVX failed!"}},
      {"signature",
       [](sim::FaultOptions& f) { f.wrongLength = Trigger("m:1"); },
       "Logic: Reading ... ( 99% )",
       {"Communication with KVX failed!"}},
  };
  for (const auto& c : cases) {
    SCOPED_TRACE(c.name);
    sim::SimulatorOptions options = VirtualProbe::WithRate(115200);
    c.fault(options.faults);
    ConnectedVirtualProbe probe(options);
    ASSERT_EQ(probe.startup, kOk);
    RecordingServices services;
    FirmwareReading firmware;
    LogicReading logic;
    if (c.boxes.empty()) {
      EXPECT_EQ(ReadFirmwareArea(probe.link, services, firmware), kErrBadReply);
    } else {
      EXPECT_FALSE(ReadLogicDevice(probe.link, services, logic));
    }
    EXPECT_EQ(services.LastStatus(), c.lastStatus);
    EXPECT_EQ(services.BoxTexts(), c.boxes);
    EXPECT_EQ(services.cursorDepth, 0);
    EXPECT_FALSE(probe.InLogicIsp());
  }
}

// A read that gets no valid reply in its three attempts is read again in halves, and each half
// the same way, so the copy is whole.
TEST(ProbeReadback, AReadWithoutAValidReplyIsReadAgainInHalves) {
  sim::SimulatorOptions options = VirtualProbe::WithRate(115200);
  options.faults.dropReply =
      Trigger("e:1,e:2,e:3,e:5,e:6,e:7");  // 1,491 bytes, then its second 746
  ConnectedVirtualProbe probe(options);
  ASSERT_EQ(probe.startup, kOk);
  const std::vector<std::uint8_t> pattern = PatternBytes(3000);
  Program(probe.link, kFirmwareAreaStart, pattern);
  RecordingServices services;
  FirmwareReading firmware;
  ASSERT_EQ(ReadFirmwareArea(probe.link, services, firmware), kOk);
  EXPECT_TRUE(std::equal(pattern.begin(), pattern.end(), firmware.area.begin()));
  EXPECT_EQ(probe.engine.Counters().repliesDropped, 6u);
}

}  // namespace
}  // namespace kvx::test
