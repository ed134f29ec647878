#include <gmock/gmock.h>
#include <gtest/gtest.h>

#include <filesystem>
#include <memory>
#include <string>
#include <vector>

#include "app/control_values.h"
#include "app/probe_changes_text.h"
#include "app/update_setup_actions.h"
#include "images/probe_readback.h"
#include "loader/flash_map.h"
#include "recording_services.h"
#include "typed_fields.h"
#include "ui/messages.h"
#include "update_files.h"
#include "virtual_probe.h"

namespace kvx::test {
namespace {

using ::testing::Contains;
using ::testing::ElementsAre;
using ::testing::Value;

// The Update/Setup dialog over the simulator, with firmware and logic 1.05 in an update
// directory of its own.
struct DialogOnProbe {
  explicit DialogOnProbe(const sim::SimulatorOptions& options) : probe(options) {}

  UpdateSetupActions& Open(DialogFields fields = ValidFields()) {
    ShowFields(controls, fields, "", "");
    actions = std::make_unique<UpdateSetupActions>(
        UpdateSetupActions::Parts{probe.link, [this] { return probe.Connect(); },
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

  ReleaseFiles updates;
  VirtualProbe probe;
  ControlValues controls;
  RecordingServices services;
  FirmwareProgress progress;
  std::unique_ptr<UpdateSetupActions> actions;
};

// What the controls show is the dialog's test; here, the statuses and which buttons work.
TEST(UpdateSetupActions, OpeningEnablesOnlyConnectAndConnectEnablesTheRest) {
  DialogOnProbe dialog(ProbeWithVersions(104, 104));
  UpdateSetupActions& actions = dialog.Open();
  const int kProbeButtons[] = {kCurrentButtonId, kUpdateButtonId, kTransmitButtonId,
                               kEraseButtonId};
  EXPECT_TRUE(dialog.controls.Enabled(kConnectButtonId));
  for (int off : kProbeButtons) EXPECT_FALSE(dialog.controls.Enabled(off));

  ASSERT_TRUE(actions.OnConnect());
  EXPECT_THAT(dialog.services.statuses,
              ElementsAre("", "Connecting to KVX Loader ...", "Connecting to KVX Loader passed!"));
  EXPECT_FALSE(dialog.controls.Enabled(kConnectButtonId));
  for (int on : kProbeButtons) EXPECT_TRUE(dialog.controls.Enabled(on));
}

TEST(UpdateSetupActions, ConnectToALoaderOfVersionZeroReportsNoProbe) {
  sim::SimulatorOptions options = ProbeWithVersions(104, 104);
  options.identity.loaderWord = 0;
  DialogOnProbe dialog(options);
  ASSERT_FALSE(dialog.Open().OnConnect());
  EXPECT_THAT(dialog.services.BoxTexts(), ElementsAre("There is no KVX7000 connected!"));
  EXPECT_EQ(dialog.services.LastStatus(), "Connecting to KVX loader failed!");
  EXPECT_EQ(dialog.controls.Shown(kSerialNumberId), "12345678");
  EXPECT_TRUE(dialog.controls.Enabled(kConnectButtonId));
}

TEST(UpdateSetupActions, AnInvalidProbeAddressStopsConnectTransmitAndOk) {
  DialogOnProbe dialog(ProbeWithVersions(104, 104));
  DialogFields fields = ValidFields();
  fields.network.probeIpAddress = "255.255.255.255";
  UpdateSetupActions& actions = dialog.Open(fields);
  EXPECT_FALSE(actions.OnConnect());
  dialog.controls.SetText(kProbeIpEditId, "10.0.0.1");
  ASSERT_TRUE(actions.OnConnect());
  dialog.controls.SetText(kProbeIpEditId, "1.2.3");
  EXPECT_FALSE(actions.OnTransmit());
  EXPECT_FALSE(actions.OnOk());
  // OK leaves the link and the dialog alone until the address is right.
  EXPECT_TRUE(dialog.probe.link.connected);
  EXPECT_EQ(dialog.probe.engine.Counters().firmwareStarts, 0u);
  EXPECT_THAT(dialog.services.BoxTexts(),
              ElementsAre("Invalid IP address!", "Invalid IP address!", "Invalid IP address!"));
  EXPECT_EQ(dialog.services.boxes.back().icon, MessageIcon::kExclamation);
}

struct UpdateCase {
  const char* name;
  VersionNumber firmware, logic;  // the probe's before the update
  bool programsFirmware, programsLogic;
};

// clang-format off
const UpdateCase kUpdateCases[] = {
    {"firmware due", 104, 105, true, false},
    {"logic due", 105, 104, false, true},
    {"both due", 104, 104, true, true},
    {"neither due", 105, 105, false, false},
    {"probe newer than the files", 106, 105, true, false},
};
// clang-format on

TEST(UpdateSetupActions, UpdateProgramsWhatIsDueAndReadsTheVersionsBack) {
  for (const UpdateCase& c : kUpdateCases) {
    SCOPED_TRACE(c.name);
    DialogOnProbe dialog(ProbeWithVersions(c.firmware, c.logic));
    UpdateSetupActions& actions = dialog.Connected();
    ASSERT_TRUE(actions.OnUpdate());
    const auto& statuses = dialog.services.statuses;
    EXPECT_EQ(Value(statuses, Contains("Firmware: Programming Flash ... passed!")),
              c.programsFirmware);
    EXPECT_EQ(Value(statuses, Contains("Logic: Verifying ...")), c.programsLogic);
    EXPECT_EQ(dialog.controls.Shown(kCurrentFirmwareId), "1.05");
    EXPECT_EQ(dialog.controls.Shown(kCurrentLogicId), "1.05");
    EXPECT_FALSE(dialog.controls.Enabled(kUpdateButtonId));
    EXPECT_FALSE(dialog.probe.InLogicIsp());
  }
}

// The window programs and marks the update files it finds as it always has, whatever their
// header says: only a file the user names keeps the state of the probe it was read from.
TEST(UpdateSetupActions, MarksAFileItFindsWhateverItsHeaderRecords) {
  DialogOnProbe dialog(ProbeWithVersions(104, 105));
  FirmwareReading interrupted{
      std::vector<std::uint8_t>(kFirmwareAreaEnd - kFirmwareAreaStart, 0xFF)};
  const std::vector<std::uint8_t> image = FirmwareBinary(105);
  std::copy(image.begin(), image.end(), interrupted.area.begin() + 4);
  dialog.updates.Write("KVXARMFW.105", FormatFirmwareSRecords(interrupted));
  ASSERT_TRUE(dialog.Connected().OnUpdate());
  EXPECT_THAT(dialog.probe.ReadFlash(kFirmwareAreaStart, 4), ElementsAre(0xAA, 0x55, 0x55, 0xAA));
  EXPECT_EQ(dialog.controls.Shown(kCurrentFirmwareId), "1.05");
}

// Fast Update joins the records into shared requests; either way the image is read back before
// it is marked.
TEST(UpdateSetupActions, FastUpdateJoinsRequestsAndEitherWayReadsTheImageBack) {
  for (const bool fast : {false, true}) {
    SCOPED_TRACE(fast);
    DialogOnProbe dialog(ProbeWithVersions(104, 105));
    UpdateSetupActions& actions = dialog.Connected();
    actions.SetFirmwareMode(WindowFirmwareMode(fast));
    ASSERT_TRUE(actions.OnUpdate());
    EXPECT_EQ(dialog.probe.ProgramLog().size() < 64, fast);
    EXPECT_THAT(dialog.services.statuses, Contains(kFirmwareVerifyingText));
    EXPECT_THAT(dialog.probe.ReadFlash(kFirmwareAreaStart, 4), ElementsAre(0xAA, 0x55, 0x55, 0xAA));
  }
}

// Mend: a kind of file of which none is found is not due, so a probe is never offered an
// update that can only fail; with the firmware file alone, only the firmware is programmed.
TEST(UpdateSetupActions, AKindOfFileNotFoundIsNeverDue) {
  for (const bool firmwareFile : {false, true}) {
    SCOPED_TRACE(firmwareFile);
    DialogOnProbe dialog(ProbeWithVersions(104, 104));
    std::filesystem::remove(dialog.updates.Path() / "KVXLOG70.105");
    if (!firmwareFile) std::filesystem::remove(dialog.updates.Path() / "KVXARMFW.105");
    UpdateSetupActions& actions = dialog.Connected();
    EXPECT_EQ(dialog.controls.Enabled(kUpdateButtonId), firmwareFile);
    if (!firmwareFile) continue;
    ASSERT_TRUE(actions.OnUpdate());
    EXPECT_EQ(dialog.controls.Shown(kCurrentFirmwareId), "1.05");
    EXPECT_EQ(dialog.controls.Shown(kCurrentLogicId), "1.04");
    EXPECT_FALSE(dialog.probe.InLogicIsp());
  }
}

// The fuse file with `field` put in before its fuse list.
std::string JedecWith(const std::string& field) {
  std::string text = JedecFileText();
  return text.insert(text.find("*L00000"), field);
}

struct RefusedUpdate {
  const char* name;
  const char* serial;
  std::string image;      // KVXARMFW.105; the firmware is due
  std::string logicFile;  // KVXLOG70.105; the logic is due
  const char* box;
  std::uint64_t requests;  // sent during the update: none, or only the leave command
  std::string detail;      // the box's, behind the update directory
  const char* imageName = "KVXARMFW.105";
};

// clang-format off
const RefusedUpdate kRefusedUpdates[] = {
    {"image without data", "12345678", "S00600004844521B\n", "", "Firmware update failed!", 0, "nothing was sent: @/KVXARMFW.105: holds no data record"},
    {"fuse file with a short row", "12345678", "", "*L00000\n0101\n", "Illegal JEDEC file format!", 1, "nothing was erased or programmed: @/KVXLOG70.105: has a fuse row that does not hold 240 fuses"},
    {"revision C probe without KVXLOG71", "123456789C", "", "", "Logic: Cannot open JEDEC file!", 1, "nothing was erased or programmed: @/KVXLOG71.105: cannot be opened (No such file or directory)"},
    {"fuse file with a damaged user code", "12345678", "", JedecWith("U" + std::string(119, '0') + "*\n"), "Illegal JEDEC file format!", 1, "nothing was erased or programmed: @/KVXLOG70.105: the user code field U holds 119 bits, not the 120 of the device's signature"},
    {"image numbered above 255", "12345678", "S00600004844521B\n", "", "Firmware update failed!", 0, "nothing was sent: no KVXARMFW update file in @", "KVXARMFW.300"},
};
// clang-format on

// Mend: every file an update uses is checked before the firmware is erased, and a bad one is
// refused with the message it would have failed with; the probe keeps what it has.
TEST(UpdateSetupActions, UpdateRefusesABadFileBeforeChangingTheProbe) {
  for (const RefusedUpdate& c : kRefusedUpdates) {
    SCOPED_TRACE(c.name);
    sim::SimulatorOptions options = ProbeWithVersions(104, 104);
    options.identity.serial = c.serial;
    // The third identity reply is damaged: the second Current fails and leaves its cause on the
    // link, which must not become this refusal's detail.
    options.faults.wrongLetter = Trigger("d:3");
    DialogOnProbe dialog(options);
    if (!c.image.empty()) dialog.updates.Write(c.imageName, c.image);
    if (!c.logicFile.empty()) dialog.updates.Write("KVXLOG70.105", c.logicFile);
    UpdateSetupActions& actions = dialog.Connected();
    ASSERT_TRUE(actions.OnCurrent());
    ASSERT_FALSE(actions.OnCurrent());
    dialog.services = RecordingServices{};
    const std::uint64_t requests = dialog.probe.Requests();

    EXPECT_FALSE(actions.OnUpdate());
    EXPECT_EQ(dialog.probe.Requests() - requests, c.requests);
    EXPECT_TRUE(dialog.probe.ProgramLog().empty());
    EXPECT_THAT(dialog.services.BoxTexts(), ElementsAre(c.box));
    // "@/" is the update directory with the platform's separator after it.
    std::string detail = c.detail;
    const bool inside = detail.find("@/") != std::string::npos;
    detail.replace(detail.find('@'), inside ? 2 : 1,
                   (inside ? dialog.updates.Path() / "" : dialog.updates.Path()).string());
    EXPECT_EQ(dialog.services.boxes.at(0).detail, detail);
    EXPECT_EQ(dialog.services.LastStatus(), "Updating firmware and logic failed!");
    EXPECT_EQ(dialog.controls.Shown(kCurrentFirmwareId), "unknown");
    EXPECT_EQ(dialog.controls.Shown(kCurrentLogicId), "unknown");
    // Nothing was begun, so the probe keeps the versions it was connected with.
    EXPECT_EQ(actions.Changes().firmware, PartChange::kDue);
    EXPECT_EQ(actions.Changes().firmwareVersion, 104);
    EXPECT_EQ(actions.Changes().logicVersion, 104);
  }
}

struct FailedAction {
  const char* name;
  VersionNumber firmware, logic;  // the probe's; both newest files are 1.05
  void (*fault)(sim::FaultOptions&);
  bool (*run)(UpdateSetupActions&);
  const char* cause;  // in the message box's detail, or else noted as the failure's cause
  PartChange firmwareLeft, logicLeft;
  VersionNumber firmwareVersionLeft;
};

bool Update(UpdateSetupActions& actions) {
  return actions.OnUpdate();
}

bool Erase(UpdateSetupActions& actions) {
  return actions.OnErase();
}

// clang-format off
const FailedAction kFailedActions[] = {
    {"program reply one byte short", 104, 105,
     [](sim::FaultOptions& f) { f.wrongLength = Trigger("h:1"); }, Update,
     "ProgramFlash at 0x01040004 ('h'): a reply of 5 bytes starting 'h', expected 6 starting 'h' (code -4005)",
     PartChange::kChanging, PartChange::kUntouched, 0},
    {"logic due when the firmware fails", 104, 104,
     [](sim::FaultOptions& f) { f.failErase = Trigger("2", 'g'); }, Update,
     "EraseSector at 0x01080000 ('g'): the loader reports a failure (status 4) (code -4006)",
     PartChange::kChanging, PartChange::kDue, 0},
    {"no reply to the marker, which the loader carried out", 104, 105,
     [](sim::FaultOptions& f) { f.dropReply = Trigger("h:64,h:65,h:66"); }, Update,
     "ProgramFlash at 0x01040000 ('h'): no valid reply in 3 attempts (the last: nothing within the time-out) (code -3001)",
     PartChange::kUnconfirmed, PartChange::kUntouched, 0},
    {"a flash cell fails silently in every pass: the read-back keeps the marker off", 104, 105,
     [](sim::FaultOptions& f) { f.weakCell = Trigger("3,66,129", 'h'); }, Update,
     "ReadMemory at 0x01040044 ('e'): the flash differs from the image at 0x01040044: expected 0xEE, read 0xEF (code -4010)",
     PartChange::kChanging, PartChange::kUntouched, 0},
    {"the loader fails the marker", 104, 105,
     [](sim::FaultOptions& f) { f.failProgram = Trigger("64", 'h'); }, Update,
     "ProgramFlash at 0x01040000 ('h'): the loader reports a failure (status 4) (code -4007)",
     PartChange::kChanging, PartChange::kUntouched, 0},
    {"no reply to the identity after the marker", 104, 105,
     [](sim::FaultOptions& f) { f.dropReply = Trigger("r:2,r:3,r:4"); }, Update,
     "reading the versions after the update: QueryIdentity (prelude) ('r'): no valid reply in 3 attempts (the last: nothing within the time-out) (code -3001)",
     PartChange::kWritten, PartChange::kUntouched, 105},
    {"no reply to a fuse row", 105, 104,
     [](sim::FaultOptions& f) { f.dropReply = Trigger("l:*"); }, Update,
     "ProgramFuseRow of row 0 ('l'): no valid reply in 3 attempts (the last: nothing within the time-out) (code -3001)",
     PartChange::kUntouched, PartChange::kChanging, 105},
    {"a flash sector erase fails", 105, 105,
     [](sim::FaultOptions& f) { f.failErase = Trigger("3", 'g'); }, Erase,
     "erasing the flash: EraseSector at 0x01010000 ('g'): the loader reports a failure (status 4) (code -4006)",
     PartChange::kErasing, PartChange::kErased, 0},
};
// clang-format on

// Every failure names the request, what came back and the code, and what the probe is left
// with follows from what was sent, not from the texts shown.
// Mend: Update shows the wait cursor before it reads and checks its files, which takes a while
// for a large image: the file it checks is the one there as the cursor came on.
TEST(UpdateSetupActions, UpdateChecksItsFilesUnderTheWaitCursor) {
  DialogOnProbe dialog(ProbeWithVersions(104, 105));
  UpdateSetupActions& actions = dialog.Connected();
  dialog.services.onCursorOn = [&dialog] {
    dialog.updates.Write("KVXARMFW.105", "S00600004844521B\n");
  };
  EXPECT_FALSE(actions.OnUpdate());
  EXPECT_EQ(dialog.services.BoxTexts(), std::vector<std::string>{"Firmware update failed!"});
}

TEST(UpdateSetupActions, AFailureNamesItsCauseAndWhatTheProbeIsLeftWith) {
  for (const FailedAction& c : kFailedActions) {
    SCOPED_TRACE(c.name);
    sim::SimulatorOptions options = ProbeWithVersions(c.firmware, c.logic);
    c.fault(options.faults);
    DialogOnProbe dialog(options);
    UpdateSetupActions& actions = dialog.Connected();
    EXPECT_FALSE(c.run(actions));
    std::vector<std::string> causes = dialog.services.causes;
    for (const MessageBox& box : dialog.services.boxes) causes.push_back(box.detail);
    EXPECT_THAT(causes, Contains(c.cause));
    EXPECT_EQ(actions.Changes().firmware, c.firmwareLeft);
    EXPECT_EQ(actions.Changes().logic, c.logicLeft);
    EXPECT_EQ(actions.Changes().firmwareVersion, c.firmwareVersionLeft);
    // The window's boxes give the advice kvxctl gives once the run has ended.
    if (c.run == Update && !dialog.services.boxes.empty()) {
      EXPECT_EQ(dialog.services.boxes.back().advice, UnfinishedChanges(actions.Changes()));
    }
  }
}

// Each part takes the file of its own newest number: swapped, the probe would report them
// swapped, from the image's version word and from the logic signature.
TEST(UpdateSetupActions, FirmwareAndLogicEachTakeTheirOwnNewestFile) {
  DialogOnProbe dialog(ProbeWithVersions(104, 104));
  dialog.updates.AddFirmware(106);
  ASSERT_TRUE(dialog.Connected().OnUpdate());
  EXPECT_EQ(dialog.controls.Shown(kCurrentFirmwareId), "1.06");
  EXPECT_EQ(dialog.controls.Shown(kCurrentLogicId), "1.05");
}

struct CurrentCase {
  const char* name;
  VersionNumber firmware, logic;  // the probe's; both newest files are 1.05
  const char* fault;              // on the identity replies; the first was Connect's
  bool passed;
  bool updateEnabled;
};

// clang-format off
const CurrentCase kCurrentCases[] = {
    {"firmware due", 104, 105, "", true, true},
    {"neither due", 105, 105, "", true, false},
    {"identity reply with the wrong letter", 105, 105, "d:2", false, false},
};
// clang-format on

TEST(UpdateSetupActions, CurrentRereadsTheVersionsAndAppliesTheUpdateRule) {
  for (const CurrentCase& c : kCurrentCases) {
    SCOPED_TRACE(c.name);
    sim::SimulatorOptions options = ProbeWithVersions(c.firmware, c.logic);
    if (*c.fault) options.faults.wrongLetter = Trigger(c.fault);
    DialogOnProbe dialog(options);
    UpdateSetupActions& actions = dialog.Connected();
    EXPECT_EQ(dialog.controls.Enabled(kUpdateButtonId), c.updateEnabled);
    // The opposite state, so that only Current itself can set it right.
    dialog.controls.Enable(kUpdateButtonId, !c.updateEnabled);
    dialog.controls.SetText(kCurrentLogicId, "");

    EXPECT_EQ(actions.OnCurrent(), c.passed);
    EXPECT_EQ(dialog.services.LastStatus(),
              c.passed ? "Reading current versions passed!" : "Reading current versions failed!");
    // A failed read leaves the button as it was.
    EXPECT_EQ(dialog.controls.Enabled(kUpdateButtonId), c.passed == c.updateEnabled);
    if (c.passed) {
      EXPECT_EQ(dialog.controls.Shown(kCurrentLogicId), c.logic == 105 ? "1.05" : "1.04");
    } else {
      EXPECT_THAT(dialog.services.BoxTexts(), ElementsAre("Communication with KVX failed!"));
      EXPECT_THAT(dialog.services.cursorDepthAtBox, ElementsAre(0));
    }
  }
}

TEST(UpdateSetupActions, TransmitWritesTheSetupBlock) {
  DialogOnProbe dialog(ProbeWithVersions(104, 104));
  UpdateSetupActions& actions = dialog.Connected();
  ASSERT_TRUE(actions.OnTransmit());
  EXPECT_THAT(dialog.services.statuses,
              ElementsAre("Writing setup data ....", "Writing setup data passed"));
  const std::vector<std::uint8_t> block = dialog.probe.ReadFlash(kSetupBlockAddress, 12);
  EXPECT_THAT(block, ElementsAre(0x02, 0xB7, 0xE9, 0x12, 0x34, 0x56, 0xFF, 0xFF, 10, 0, 0, 1));
}

TEST(UpdateSetupActions, AFailedTransmitSaysSoInAnErrorBox) {
  sim::SimulatorOptions options = ProbeWithVersions(104, 104);
  options.faults.failErase = Trigger("1", 'g');
  DialogOnProbe dialog(options);
  UpdateSetupActions& actions = dialog.Connected();
  EXPECT_FALSE(actions.OnTransmit());
  EXPECT_EQ(dialog.services.LastStatus(), "Writing setup data failed!");
  EXPECT_THAT(dialog.services.BoxTexts(), ElementsAre("Transfer failed!"));
  EXPECT_EQ(dialog.services.boxes.at(0).caption, "Error");
}

TEST(UpdateSetupActions, EraseAnsweredNoChangesNothing) {
  DialogOnProbe dialog(ProbeWithVersions(104, 104));
  UpdateSetupActions& actions = dialog.Connected();
  dialog.services.answers.push_back(MessageAnswer::kNo);
  const std::uint64_t requests = dialog.probe.Requests();
  EXPECT_FALSE(actions.OnErase());
  EXPECT_THAT(dialog.services.BoxTexts(), ElementsAre("Erase Flash and EPLD?"));
  EXPECT_EQ(dialog.services.boxes[0].buttons, MessageButtons::kYesNo);
  EXPECT_EQ(dialog.services.boxes[0].defaultAnswer, MessageAnswer::kNo);  // Return never erases
  EXPECT_EQ(dialog.probe.Requests(), requests);
}

TEST(UpdateSetupActions, EraseWipesFlashEvenWhenTheLogicFails) {
  sim::SimulatorOptions options = ProbeWithVersions(104, 104);
  options.faults.wrongLength = Trigger("j:*");
  DialogOnProbe dialog(options);
  UpdateSetupActions& actions = dialog.Connected();
  ASSERT_TRUE(actions.OnTransmit());
  dialog.services = RecordingServices{};
  EXPECT_FALSE(actions.OnErase());
  EXPECT_THAT(dialog.services.BoxTexts(),
              ElementsAre("Erase Flash and EPLD?", "Communication with KVX failed!"));
  EXPECT_EQ(dialog.services.LastStatus(), "Erasing Flash and EPLD failed!");
  EXPECT_THAT(dialog.probe.ReadFlash(kSetupBlockAddress, 4), ElementsAre(0xFF, 0xFF, 0xFF, 0xFF));
  EXPECT_EQ(dialog.controls.Shown(kCurrentFirmwareId), "unkown");
  EXPECT_FALSE(dialog.probe.InLogicIsp());
}

// Each sector erased moves the progress on by its KiB, while the status texts stay one each.
TEST(UpdateSetupActions, APassedEraseShowsEachSectorAndEnablesUpdate) {
  DialogOnProbe dialog(ProbeWithVersions(105, 105));
  UpdateSetupActions& actions = dialog.Connected();
  ASSERT_FALSE(dialog.controls.Enabled(kUpdateButtonId));
  EXPECT_TRUE(actions.OnErase());
  EXPECT_TRUE(dialog.controls.Enabled(kUpdateButtonId));
  EXPECT_THAT(dialog.services.statuses,
              ElementsAre("Erasing Flash and EPLD ...", "Logic: Erasing ...",
                          "Erasing all flash sectors ...", "Erasing Flash and EPLD passed!"));
  constexpr std::uint64_t kKiB = 1024;
  EXPECT_THAT(dialog.services.AmountsDone(), ElementsAre(0u, 16 * kKiB, 32 * kKiB, 224 * kKiB,
                                                         480 * kKiB, 736 * kKiB, 992 * kKiB));
  EXPECT_EQ(dialog.services.amounts.back().total, 992 * kKiB);
}

TEST(UpdateSetupActions, CancelStartsTheFirmwareAndClosesTheLink) {
  DialogOnProbe dialog(ProbeWithVersions(104, 104));
  UpdateSetupActions& actions = dialog.Connected();
  actions.OnCancel();
  EXPECT_FALSE(dialog.probe.link.connected);
  EXPECT_EQ(dialog.probe.engine.Counters().firmwareStarts, 1u);
}

}  // namespace
}  // namespace kvx::test
