#include <gmock/gmock.h>
#include <gtest/gtest.h>

#include <map>
#include <memory>
#include <string>
#include <vector>

#include "app/update_setup_actions.h"
#include "fuse_pattern.h"
#include "link/channel_ops.h"
#include "link/link_startup.h"
#include "link/posix/posix_serial_channel.h"
#include "loader/flash_map.h"
#include "recording_services.h"
#include "sim/version_words.h"
#include "simulated_probe.h"
#include "typed_fields.h"
#include "update_files.h"

namespace kvx::test {
namespace {

using ::testing::ElementsAre;

// The dialog's controls as a test sees them: ReadControls hands back what the "user" typed.
struct RecordingControls : DialogControls {
  DialogFields typed;
  std::string serialShown = "not shown yet";
  std::string macShown = "not shown yet";
  std::map<VersionLabel, std::string> versions;
  std::map<DialogButton, bool> enabled;

  void ReadControls(DialogFields& fields) override { fields = typed; }
  void WriteControls(const DialogFields& fields, const std::string& serial,
                     const std::string& mac) override {
    typed = fields;
    serialShown = serial;
    macShown = mac;
  }
  void SetVersionText(VersionLabel label, const std::string& text) override {
    versions[label] = text;
  }
  void EnableButton(DialogButton button, bool on) override { enabled[button] = on; }
};

// The Update/Setup dialog over the simulator, with an update directory of its own.
struct DialogOnProbe {
  explicit DialogOnProbe(sim::SimulatorOptions options) : probe(std::move(options)) {}

  UpdateSetupActions& Open(DialogFields fields = ValidFields()) {
    controls.typed = fields;
    actions = std::make_unique<UpdateSetupActions>(
        UpdateSetupActions::Parts{
            link, [this](int, int) { return ConnectProbeLink(link, probe->SlavePath(), 115200); },
            UpdateCatalogue(updates.Path()), controls, services, progress},
        fields);
    actions->OnOpen();
    return *actions;
  }
  UpdateSetupActions& Connected() {
    Open();
    EXPECT_TRUE(actions->OnConnect());
    services = RecordingServices{};
    return *actions;
  }

  UpdateFiles updates;
  SimulatedProbe probe;
  PosixSerialChannel channel;
  ProbeLink link{channel};
  RecordingControls controls;
  RecordingServices services;
  FirmwareProgress progress;
  std::unique_ptr<UpdateSetupActions> actions;
};

TEST(UpdateSetupActions, OpeningShowsTheNewestFilesAndOnlyConnect) {
  DialogOnProbe dialog(ProbeWithVersions(104, 104));
  dialog.updates.AddFirmware(105);
  dialog.Open();
  EXPECT_EQ(dialog.controls.versions[VersionLabel::kNewestFirmware], "1.05");
  EXPECT_EQ(dialog.controls.versions[VersionLabel::kNewestLogic], "unknown");
  EXPECT_EQ(dialog.controls.serialShown, "");
  EXPECT_THAT(dialog.services.statuses, ElementsAre(""));
  EXPECT_TRUE(dialog.controls.enabled[DialogButton::kConnect]);
  for (DialogButton off : {DialogButton::kCurrent, DialogButton::kUpdate, DialogButton::kTransmit,
                           DialogButton::kErase}) {
    EXPECT_FALSE(dialog.controls.enabled[off]);
  }
}

TEST(UpdateSetupActions, ConnectShowsTheProbeAndEnablesItsButtons) {
  DialogOnProbe dialog(ProbeWithVersions(104, 104));
  dialog.updates.AddFirmware(105);
  UpdateSetupActions& actions = dialog.Open();
  ASSERT_TRUE(actions.OnConnect());
  EXPECT_THAT(dialog.services.statuses,
              ElementsAre("", "Connecting to KVX Loader ...", "Connecting to KVX Loader passed!"));
  EXPECT_EQ(dialog.controls.serialShown, "12345678");
  EXPECT_EQ(dialog.controls.macShown, "02B7E9123456");
  EXPECT_EQ(dialog.controls.versions[VersionLabel::kLoader], "1.03");
  EXPECT_EQ(dialog.controls.versions[VersionLabel::kCurrentFirmware], "1.04");
  EXPECT_FALSE(dialog.controls.enabled[DialogButton::kConnect]);
  EXPECT_TRUE(dialog.controls.enabled[DialogButton::kUpdate]);
  EXPECT_EQ(dialog.services.cursorDepth, 0);
}

TEST(UpdateSetupActions, ConnectToALoaderOfVersionZeroReportsNoProbe) {
  sim::SimulatorOptions options = ProbeWithVersions(104, 104);
  options.identity.loaderWord = 0;
  DialogOnProbe dialog(options);
  ASSERT_FALSE(dialog.Open().OnConnect());
  EXPECT_THAT(dialog.services.BoxTexts(), ElementsAre("There is no KVX7000 connected!"));
  EXPECT_EQ(dialog.services.LastStatus(), "Connecting to KVX loader failed!");
  EXPECT_EQ(dialog.controls.serialShown, "12345678");
  EXPECT_TRUE(dialog.controls.enabled[DialogButton::kConnect]);
  EXPECT_FALSE(dialog.link.connected);
}

TEST(UpdateSetupActions, AnInvalidProbeAddressStopsConnectTransmitAndOk) {
  DialogOnProbe dialog(ProbeWithVersions(104, 104));
  DialogFields fields = ValidFields();
  fields.probeIpAddress = "255.255.255.255";
  UpdateSetupActions& actions = dialog.Open(fields);
  EXPECT_FALSE(actions.OnConnect());
  EXPECT_FALSE(dialog.link.connected);

  dialog.controls.typed.probeIpAddress = "10.0.0.1";
  ASSERT_TRUE(actions.OnConnect());
  dialog.controls.typed.probeIpAddress = "1.2.3";
  EXPECT_FALSE(actions.OnTransmit());
  EXPECT_FALSE(actions.OnOk());
  // OK leaves the link and the dialog alone until the address is right.
  EXPECT_TRUE(dialog.link.connected);
  EXPECT_EQ(dialog.probe->Counters().engine.firmwareStarts, 0u);
  EXPECT_THAT(dialog.services.BoxTexts(),
              ElementsAre("Invalid IP address!", "Invalid IP address!", "Invalid IP address!"));
  EXPECT_EQ(dialog.services.boxes.back().icon, MessageIcon::kExclamation);

  dialog.controls.typed.probeIpAddress = "10.0.0.9";
  EXPECT_TRUE(actions.OnOk());
  EXPECT_FALSE(dialog.link.connected);
  EXPECT_EQ(actions.Fields().probeIpAddress, "10.0.0.9");
}

struct UpdateCase {
  const char* name;
  VersionNumber firmware, logic;  // the probe's before the update
  bool firmwareFile, logicFile;
  bool programsFirmware, programsLogic;
};

// clang-format off
const UpdateCase kUpdateCases[] = {
    {"firmware due", 104, 105, true, true, true, false},
    {"logic due", 105, 104, true, true, false, true},
    {"both due", 104, 104, true, true, true, true},
    {"neither due", 105, 105, true, true, false, false},
};
// clang-format on

TEST(UpdateSetupActions, UpdateProgramsWhatIsDueAndReadsTheVersionsBack) {
  for (const UpdateCase& c : kUpdateCases) {
    SCOPED_TRACE(c.name);
    DialogOnProbe dialog(ProbeWithVersions(c.firmware, c.logic));
    dialog.updates.AddFirmware(105);
    dialog.updates.AddLogic("KVXLOG70.105");
    UpdateSetupActions& actions = dialog.Connected();
    ASSERT_TRUE(actions.OnUpdate());
    const auto& statuses = dialog.services.statuses;
    const auto has = [&](const std::string& text) {
      return std::find(statuses.begin(), statuses.end(), text) != statuses.end();
    };
    EXPECT_EQ(has("Firmware: Programming Flash ... passed!"), c.programsFirmware);
    EXPECT_EQ(has("Logic: Verifying ..."), c.programsLogic);
    EXPECT_EQ(dialog.services.LastStatus(), "Updating firmware and logic passed!");
    EXPECT_EQ(dialog.controls.versions[VersionLabel::kCurrentFirmware], "1.05");
    EXPECT_EQ(dialog.controls.versions[VersionLabel::kCurrentLogic], "1.05");
    EXPECT_FALSE(dialog.controls.enabled[DialogButton::kUpdate]);
    EXPECT_TRUE(dialog.services.boxes.empty());
    EXPECT_FALSE(dialog.probe->InLogicIsp());
    EXPECT_EQ(dialog.services.cursorDepth, 0);
  }
}

TEST(UpdateSetupActions, AFailedFirmwareUpdateSkipsTheLogic) {
  DialogOnProbe dialog(ProbeWithVersions(104, 104));
  dialog.updates.AddFirmware(105);
  dialog.updates.AddLogic("KVXLOG70.105");
  dialog.updates.Write("KVXARMFW.105", "S1030000FC");  // no newline: not a valid image
  UpdateSetupActions& actions = dialog.Connected();
  const std::uint64_t requests = dialog.probe->Counters().engine.requests;
  EXPECT_FALSE(actions.OnUpdate());
  EXPECT_EQ(dialog.probe->Counters().engine.requests, requests);  // nothing erased
  EXPECT_THAT(dialog.services.BoxTexts(), ElementsAre("Firmware update failed!"));
  EXPECT_THAT(dialog.services.statuses, ElementsAre("Firmware: Programming Flash ... failed!",
                                                    "Updating firmware and logic failed!"));
  EXPECT_EQ(dialog.controls.versions[VersionLabel::kCurrentFirmware], "unknown");
  EXPECT_EQ(dialog.controls.versions[VersionLabel::kCurrentLogic], "unknown");
}

TEST(UpdateSetupActions, AFailedLogicUpdateStillLeavesProgrammingMode) {
  DialogOnProbe dialog(ProbeWithVersions(105, 104));
  dialog.updates.AddFirmware(105);
  dialog.updates.Write("KVXLOG70.105", "*L00000\n0101\n");
  UpdateSetupActions& actions = dialog.Connected();
  EXPECT_FALSE(actions.OnUpdate());
  EXPECT_THAT(dialog.services.BoxTexts(), ElementsAre("Illegal JEDEC file format!"));
  EXPECT_EQ(dialog.services.LastStatus(), "Updating firmware and logic failed!");
  EXPECT_FALSE(dialog.probe->InLogicIsp());
  EXPECT_EQ(dialog.services.cursorDepth, 0);
}

// A probe whose serial number ends in C takes the KVXLOG71 file of KVXLOG70's number.
TEST(UpdateSetupActions, RevisionCProbesTakeTheOtherLogicFile) {
  sim::SimulatorOptions options = ProbeWithVersions(105, 104);
  options.identity.serial = "123456789C";
  DialogOnProbe dialog(options);
  dialog.updates.AddFirmware(105);
  dialog.updates.AddLogic("KVXLOG70.105");
  UpdateSetupActions& actions = dialog.Connected();
  EXPECT_FALSE(actions.OnUpdate());
  EXPECT_THAT(dialog.services.BoxTexts(), ElementsAre("Logic: Cannot open JEDEC file!"));

  dialog.updates.AddLogic("KVXLOG71.105");
  dialog.services = RecordingServices{};
  EXPECT_TRUE(actions.OnUpdate());
}

TEST(UpdateSetupActions, TransmitWritesTheSetupBlock) {
  DialogOnProbe dialog(ProbeWithVersions(104, 104));
  UpdateSetupActions& actions = dialog.Connected();
  ASSERT_TRUE(actions.OnTransmit());
  EXPECT_THAT(dialog.services.statuses,
              ElementsAre("Writing setup data ....", "Writing setup data passed"));
  const std::vector<std::uint8_t> block = dialog.probe->ReadFlash(kSetupBlockAddress, 12);
  EXPECT_THAT(block, ElementsAre(0x02, 0xB7, 0xE9, 0x12, 0x34, 0x56, 0xFF, 0xFF, 10, 0, 0, 1));
}

TEST(UpdateSetupActions, AFailedTransmitSaysSoInAnErrorBox) {
  sim::SimulatorOptions options = ProbeWithVersions(104, 104);
  std::string error;
  options.faults.failErase = *sim::FaultTrigger::Parse("1", 'g', error);
  DialogOnProbe dialog(options);
  UpdateSetupActions& actions = dialog.Connected();
  EXPECT_FALSE(actions.OnTransmit());
  EXPECT_EQ(dialog.services.LastStatus(), "Writing setup data failed!");
  ASSERT_EQ(dialog.services.boxes.size(), 1u);
  EXPECT_EQ(dialog.services.boxes[0].text, "Transfer failed!");
  EXPECT_EQ(dialog.services.boxes[0].caption, "Error");
  EXPECT_EQ(dialog.services.boxes[0].icon, MessageIcon::kExclamation);
  EXPECT_TRUE(dialog.link.connected);
}

TEST(UpdateSetupActions, EraseAnsweredNoChangesNothing) {
  DialogOnProbe dialog(ProbeWithVersions(104, 104));
  UpdateSetupActions& actions = dialog.Connected();
  dialog.services.answers.push_back(MessageAnswer::kNo);
  const std::uint64_t requests = dialog.probe->Counters().engine.requests;
  EXPECT_FALSE(actions.OnErase());
  EXPECT_THAT(dialog.services.BoxTexts(), ElementsAre("Erase Flash and EPLD?"));
  EXPECT_EQ(dialog.services.boxes[0].buttons, MessageButtons::kYesNo);
  EXPECT_EQ(dialog.services.boxes[0].defaultAnswer, MessageAnswer::kNo);  // Return never erases
  EXPECT_TRUE(dialog.services.statuses.empty());
  EXPECT_EQ(dialog.probe->Counters().engine.requests, requests);
}

TEST(UpdateSetupActions, EraseWipesFlashEvenWhenTheLogicFails) {
  sim::SimulatorOptions options = ProbeWithVersions(104, 104);
  std::string error;
  options.faults.wrongLength = *sim::FaultTrigger::Parse("j:*", std::nullopt, error);
  DialogOnProbe dialog(options);
  UpdateSetupActions& actions = dialog.Connected();
  ASSERT_TRUE(actions.OnTransmit());
  dialog.services = RecordingServices{};
  EXPECT_FALSE(actions.OnErase());
  EXPECT_THAT(dialog.services.BoxTexts(),
              ElementsAre("Erase Flash and EPLD?", "Communication with KVX failed!"));
  EXPECT_THAT(dialog.services.statuses,
              ElementsAre("Erasing Flash and EPLD ...", "Erasing all flash sectors ...",
                          "Erasing Flash and EPLD failed!"));
  EXPECT_THAT(dialog.probe->ReadFlash(kSetupBlockAddress, 4), ElementsAre(0xFF, 0xFF, 0xFF, 0xFF));
  EXPECT_EQ(dialog.controls.versions[VersionLabel::kCurrentFirmware], "unknown");
  EXPECT_FALSE(dialog.probe->InLogicIsp());
}

TEST(UpdateSetupActions, APassedEraseEnablesUpdate) {
  DialogOnProbe dialog(ProbeWithVersions(104, 104));
  UpdateSetupActions& actions = dialog.Connected();
  EXPECT_TRUE(actions.OnErase());
  EXPECT_EQ(dialog.services.LastStatus(), "Erasing Flash and EPLD passed!");
  EXPECT_TRUE(dialog.controls.enabled[DialogButton::kUpdate]);
  EXPECT_EQ(dialog.controls.versions[VersionLabel::kCurrentLogic], "unknown");
}

TEST(UpdateSetupActions, CancelStartsTheFirmwareAndClosesTheLink) {
  DialogOnProbe dialog(ProbeWithVersions(104, 104));
  UpdateSetupActions& actions = dialog.Connected();
  actions.OnCancel();
  EXPECT_THAT(dialog.services.statuses, ElementsAre("Starting firmware please wait...."));
  EXPECT_FALSE(dialog.link.connected);
  EXPECT_EQ(dialog.probe->Counters().engine.firmwareStarts, 1u);
}

}  // namespace
}  // namespace kvx::test
