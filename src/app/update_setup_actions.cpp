#include "app/update_setup_actions.h"

#include <utility>

#include "app/dialog_controls.h"
#include "app/probe_changes_text.h"
#include "app/probe_connect.h"
#include "app/update_setup_template.h"
#include "images/logic_update.h"
#include "link/channel_ops.h"
#include "loader/command_exchange.h"
#include "loader/flash_commands.h"
#include "loader/version_text.h"
#include "setup/dotted_quad.h"
#include "setup/write_setup_block.h"
#include "ui/messages.h"

namespace kvx {

namespace {

// What the current versions read after an Erase, passed or failed. The spelling is the one
// users have always seen there, unlike the "unknown" an update shows.
constexpr char kErasedVersionText[] = "unkown";

MessageBox Exclamation(std::string text, std::string caption = kApplicationTitle) {
  return MessageBox{std::move(text), std::move(caption), MessageIcon::kExclamation,
                    MessageButtons::kOkOnly};
}

// Why Connect failed: no device for the port chosen, the port's own reason when it did not
// open, otherwise which port was tried and what to check.
std::string ConnectFailureDetail(const ProbeLink& link) {
  if (link.stopped) return kInterruptedText;
  if (link.port && !link.port->absence.empty()) return link.port->absence;
  const std::string openFailure = link.channel.LastError();
  if (!openFailure.empty()) return openFailure;
  const std::string port = link.port ? " on " + link.port->Description() : "";
  return "no loader answered" + port + " at " + std::to_string(kSpeedListRates.front()) + " to " +
         std::to_string(kSpeedListRates.back()) + " baud in " + std::to_string(kConnectAttempts) +
         " attempts: check that the probe is powered, that its serial cable is plugged in at "
         "both ends, and that the probe is in its loader";
}

// Why a loader that answered is not taken for a probe's: what its identity reply held.
std::string NoProbeDetail(const ProbeLink& link) {
  const std::string port = link.port ? " on " + link.port->Description() : "";
  const std::int32_t length = link.lastReplyLength;
  if (length != kShortIdentityReplyLength && length != kLongIdentityReplyLength) {
    return "the loader" + port + " answered the identity request with " + std::to_string(length) +
           " bytes, where " + std::to_string(kShortIdentityReplyLength) + " or " +
           std::to_string(kLongIdentityReplyLength) +
           " carry the versions and a serial number of 8 or 10 characters";
  }
  return "the loader" + port + " reports loader version 0";
}

// Passes everything on and amends each message box as it is shown, so the messages of a step
// say why, or what to do, without changing their own texts.
class AmendedServices final : public DialogServices {
 public:
  AmendedServices(DialogServices& next, std::function<void(MessageBox&)> amend)
      : next_(next), amend_(std::move(amend)) {}

  void SetStatus(const std::string& text) override { next_.SetStatus(text); }
  void SetProgress(const std::string& text, const ProgressAmount& amount) override {
    next_.SetProgress(text, amount);
  }
  MessageAnswer ShowMessage(const MessageBox& message) override {
    MessageBox amended = message;
    amend_(amended);
    return next_.ShowMessage(amended);
  }
  void NoteCause(const std::string& cause) override { next_.NoteCause(cause); }
  void BeginWaitCursor() override { next_.BeginWaitCursor(); }
  void EndWaitCursor() override { next_.EndWaitCursor(); }

 private:
  DialogServices& next_;
  std::function<void(MessageBox&)> amend_;
};

}  // namespace

UpdateSetupActions::UpdateSetupActions(Parts parts, DialogFields fields)
    : link_(parts.link),
      openLink_(std::move(parts.openLink)),
      catalogue_(std::move(parts.catalogue)),
      controls_(parts.controls),
      services_(parts.services),
      firmwareProgress_(parts.firmwareProgress),
      fields_(std::move(fields)) {}

void UpdateSetupActions::OnOpen() {
  // The serial number and MAC address are shown empty until a probe has answered.
  ShowFields(controls_, fields_, "", "");
  services_.SetStatus("");
  identity_.loaderVersion = identity_.firmwareVersion = identity_.logicVersion = 0;
  newest_ = FindNewestNumbers(catalogue_);
  controls_.SetText(kNewestFirmwareId, FormatVersion(newest_.firmware));
  controls_.SetText(kNewestLogicId, FormatVersion(newest_.logic));
  controls_.Enable(kConnectButtonId, true);
  for (int button : {kCurrentButtonId, kTransmitButtonId, kUpdateButtonId, kEraseButtonId}) {
    controls_.Enable(button, false);
  }
}

bool UpdateSetupActions::OnConnect() {
  if (!ExchangeToMembers()) return false;
  WaitCursor cursor(services_);
  const LinkAction action(link_);
  services_.SetStatus(kConnectingText);
  const ConnectOutcome outcome = ConnectToProbe(link_, openLink_, identity_);
  if (outcome != ConnectOutcome::kCannotConnect) {
    ExchangeToControls();
    ShowCurrentVersions();
  }
  cursor.End();
  if (outcome != ConnectOutcome::kConnected) {
    MessageBox failure{ConnectFailureText(outcome)};
    failure.detail = outcome == ConnectOutcome::kCannotConnect ? ConnectFailureDetail(link_)
                                                               : NoProbeDetail(link_);
    services_.ShowMessage(failure);
    services_.SetStatus(kConnectFailedText);
    return false;
  }
  services_.SetStatus(kConnectPassedText);
  changes_ = ProbeChanges::AtConnect(identity_);
  ShowCurrentVersions();
  EnableProbeButtons();
  return true;
}

bool UpdateSetupActions::OnCurrent() {
  WaitCursor cursor(services_);
  const LinkAction action(link_);
  services_.SetStatus(kReadingVersionsText);
  const bool passed = QueryAndShowIdentity();
  if (passed) ShowCurrentVersions();
  cursor.End();
  if (!passed) {
    ShowFailure(services_, MessageBox{kCommunicationFailedText});
    services_.SetStatus(kReadingVersionsFailedText);
    return false;
  }
  services_.SetStatus(kReadingVersionsPassedText);
  UpdateButtonRule();
  return true;
}

// Reading and checking the files takes a while for a large image: the user waits from the
// first.
bool UpdateSetupActions::OnUpdate() {
  const WaitCursor cursor(services_);
  return RunUpdate(PlanUpdate());
}

UpdatePlan UpdateSetupActions::PlanUpdate() const {
  UpdatePlan plan = kvx::PlanUpdate(catalogue_, identity_, newest_);
  plan.firmware.mode = firmwareMode_;
  return plan;
}

bool UpdateSetupActions::RunUpdate(const UpdatePlan& plan) {
  const WaitCursor cursor(services_);
  const LinkAction action(link_);
  if (plan.firmware.due) changes_.Take(ProbePart::kFirmware, PartChange::kDue);
  if (plan.logic.due) changes_.Take(ProbePart::kLogic, PartChange::kDue);
  bool passed = UpdateDueFiles(plan);
  if (passed) {
    passed = QueryAndShowIdentity();
    if (!passed) NoteLinkFailure("reading the versions after the update");
  }
  if (passed) {
    changes_.TakeVersions(identity_);
    services_.SetStatus(kUpdatePassedText);
    UpdateButtonRule();
  } else {
    services_.SetStatus(kUpdateFailedText);
    identity_.firmwareVersion = identity_.logicVersion = 0;
  }
  ShowUpdatedVersions();
  return passed;
}

bool UpdateSetupActions::OnTransmit() {
  if (!ExchangeToMembers()) return false;
  WaitCursor cursor(services_);
  const LinkAction action(link_);
  services_.SetStatus(kWritingSetupText);
  const ErrorCode result = WriteSetupBlock(link_, fields_.network, RecordChanges());
  cursor.End();
  if (result == kOk) {
    services_.SetStatus(kWritingSetupPassedText);
    return true;
  }
  services_.SetStatus(kWritingSetupFailedText);
  ShowFailure(services_, Exclamation(kTransferFailedText, kTransferFailedCaption));
  return false;
}

bool UpdateSetupActions::OnErase() {
  const MessageBox question{kEraseQuestionText, kApplicationTitle, MessageIcon::kExclamation,
                            MessageButtons::kYesNo, MessageAnswer::kNo};
  if (services_.ShowMessage(question) != MessageAnswer::kYes) return false;
  const WaitCursor cursor(services_);
  const LinkAction action(link_);
  services_.SetStatus(kErasingText);
  const bool logicErased = RunLogicErase(link_, services_, RecordChanges());
  identity_.logicVersion = 0;
  services_.SetStatus(kErasingSectorsText);
  // The flash is erased whatever became of the logic device.
  const bool flashErased =
      EraseAllSectors(link_, ShowEraseProgress(services_), RecordChanges()) == kOk;
  if (!flashErased) NoteLinkFailure("erasing the flash");
  identity_.firmwareVersion = 0;
  const bool passed = logicErased && flashErased;
  if (passed) {
    ExchangeToControls();
    services_.SetStatus(kErasePassedText);
    controls_.Enable(kUpdateButtonId, true);
  } else {
    services_.SetStatus(kEraseFailedText);
  }
  controls_.SetText(kCurrentFirmwareId, kErasedVersionText);
  controls_.SetText(kCurrentLogicId, kErasedVersionText);
  return passed;
}

bool UpdateSetupActions::OnOk() {
  if (!ExchangeToMembers()) return false;
  StartFirmwareAndClose();
  return true;
}

void UpdateSetupActions::OnCancel() {
  StartFirmwareAndClose();
}

bool UpdateSetupActions::ExchangeToMembers() {
  fields_ = ReadFields(controls_);
  const NetworkSetupTexts& texts = fields_.network;
  for (const NetworkTextControl& control : kNetworkTextControls) {
    if (control.typingLimit != 0 && (texts.*control.member).size() > control.typingLimit) {
      services_.ShowMessage(Exclamation(kTooManyCharactersText));
      return false;
    }
  }
  if (ParseDottedQuad(texts.probeIpAddress) == kNotADottedQuad) {
    services_.ShowMessage(Exclamation(kInvalidIpAddressText));
    return false;
  }
  return true;
}

void UpdateSetupActions::ExchangeToControls() {
  ShowFields(controls_, fields_, identity_.serialNumber, identity_.macAddressText);
}

void UpdateSetupActions::ShowCurrentVersions() {
  controls_.SetText(kLoaderVersionId, FormatVersion(identity_.loaderVersion));
  ShowUpdatedVersions();
}

// The loader's version does not change with an update or an erase.
void UpdateSetupActions::ShowUpdatedVersions() {
  controls_.SetText(kCurrentFirmwareId, FormatVersion(identity_.firmwareVersion));
  controls_.SetText(kCurrentLogicId, FormatVersion(identity_.logicVersion));
}

void UpdateSetupActions::UpdateButtonRule() {
  controls_.Enable(kUpdateButtonId,
                   FirmwareDue(newest_, identity_) || LogicDue(newest_, identity_));
}

void UpdateSetupActions::EnableProbeButtons() {
  controls_.Enable(kConnectButtonId, false);
  for (int button : {kCurrentButtonId, kEraseButtonId, kTransmitButtonId}) {
    controls_.Enable(button, true);
  }
  UpdateButtonRule();
}

bool UpdateSetupActions::QueryAndShowIdentity() {
  const ErrorCode result = QueryIdentity(link_, identity_);
  identity_.macAddressText = MakeMacAddressText(identity_.serialNumber);
  if (result != kOk) return false;
  ExchangeToControls();
  return true;
}

// A bad file is refused through the part that would have used it, so the user sees the
// same messages, but before the firmware is erased, and with the reason as their detail.
bool UpdateSetupActions::UpdateDueFiles(const UpdatePlan& plan) {
  if (!plan.Passes()) {
    AmendedServices refusal(services_, [reason = plan.NothingSentReason()](MessageBox& box) {
      if (box.detail.empty()) box.detail = reason;
    });
    return plan.FirmwareProblem().empty() ? UpdateLogicPart(plan.logic, refusal)
                                          : UpdateFirmwarePart(plan.firmware, refusal);
  }
  // A failure says what the probe is left with as far as the update got, and what to do.
  AmendedServices advised(services_,
                          [this](MessageBox& box) { box.advice = UnfinishedChanges(changes_); });
  return (!plan.firmware.due || UpdateFirmwarePart(plan.firmware, advised)) &&
         (!plan.logic.due || UpdateLogicPart(plan.logic, advised));
}

bool UpdateSetupActions::UpdateFirmwarePart(const FirmwarePlan& firmware,
                                            DialogServices& services) {
  if (UpdateFirmware(link_, firmware.image, services, firmwareProgress_, firmware.mode,
                     RecordChanges(firmware.version)) == kOk) {
    return true;
  }
  ShowFailure(services, MessageBox{kFirmwareUpdateFailedText});
  return false;
}

bool UpdateSetupActions::UpdateLogicPart(const LogicPlan& logic, DialogServices& services) {
  return RunLogicUpdate(link_, logic.file, logic.signature, services, RecordChanges(logic.version));
}

PartChangeReport UpdateSetupActions::RecordChanges(VersionNumber written) {
  return
      [this, written](ProbePart part, PartChange change) { changes_.Take(part, change, written); };
}

std::string UpdateSetupActions::LinkFailure() const {
  return DescribeExchangeFailure(link_);
}

void UpdateSetupActions::ShowFailure(DialogServices& services, MessageBox failure) {
  if (link_.stopped) return;
  if (failure.detail.empty()) failure.detail = LinkFailure();
  services.ShowMessage(failure);
}

void UpdateSetupActions::NoteLinkFailure(const std::string& step) {
  if (const std::string failure = LinkFailure(); !failure.empty()) {
    services_.NoteCause(step + ": " + failure);
  }
}

void UpdateSetupActions::StartFirmwareAndClose() {
  const WaitCursor cursor(services_);
  services_.SetStatus(kStartingFirmwareText);
  StartFirmware(link_);
  CloseProbeLink(link_);
}

}  // namespace kvx
