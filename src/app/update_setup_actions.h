#pragma once

#include <functional>

#include "app/dialog_controls.h"
#include "app/fast_update.h"
#include "app/probe_changes.h"
#include "app/update_plan.h"
#include "images/firmware_update.h"
#include "images/update_catalogue.h"
#include "link/error_code.h"
#include "link/probe_link.h"
#include "loader/probe_identity.h"
#include "ui/dialog_services.h"
#include "ui/messages.h"

namespace kvx {

// What the Update/Setup dialog's buttons do, written once for the window and kvxctl: the
// order of probe steps, every status text, message box, version text and button state.
//
// The link is opened by a passed Connect and closed by a failed Connect, OK and Cancel;
// nothing else closes it. Every action holds the wait cursor for its whole run. The actions
// that can fail return whether they passed, which the window ignores and kvxctl turns into
// its exit status.
class UpdateSetupActions {
 public:
  // Opens the link, start-up included, on the port and at the speed the front end turns the
  // user's choice into: the window its lists' selection (Fields()), kvxctl its command line.
  using OpenLink = std::function<ErrorCode()>;

  struct Parts {
    ProbeLink& link;
    OpenLink openLink;
    UpdateCatalogue catalogue;
    DialogControls& controls;
    DialogServices& services;
    FirmwareProgress& firmwareProgress;  // lives as long as the program
  };

  UpdateSetupActions(Parts parts, DialogFields fields);

  // What the dialog shows when it opens: the fields in the controls, the newest file
  // numbers, only Connect enabled.
  void OnOpen();
  bool OnConnect();
  bool OnCurrent();
  // Plans the update for the connected probe and runs it.
  bool OnUpdate();
  // Runs a plan made for the connected probe. Every file it uses is checked before anything
  // changes the probe; a bad one is refused with the message it would have failed with.
  bool RunUpdate(const UpdatePlan& plan);
  UpdatePlan PlanUpdate() const;
  // How PlanUpdate's firmware is programmed: the window's way unless told otherwise.
  void SetFirmwareMode(FirmwareWriteMode mode) { firmwareMode_ = mode; }
  bool OnTransmit();
  bool OnErase();
  // Checks the fields first, so an invalid probe address leaves the link and the dialog as
  // they are; then starts the firmware and closes the link. True when the dialog may end.
  bool OnOk();
  // Starts the firmware and closes the link.
  void OnCancel();

  // Reads the controls into the fields and checks them: "Invalid IP address!" for a probe
  // address that is not a dotted quad, and the length of the address texts.
  bool ExchangeToMembers();
  void ExchangeToControls();

  const DialogFields& Fields() const { return fields_; }
  const ProbeIdentity& Identity() const { return identity_; }
  const NewestNumbers& Newest() const { return newest_; }
  // What the actions have done to the probe since the last passed Connect.
  const ProbeChanges& Changes() const { return changes_; }

 private:
  void ShowCurrentVersions();
  void ShowUpdatedVersions();
  void UpdateButtonRule();
  void EnableProbeButtons();
  bool QueryAndShowIdentity();
  bool UpdateDueFiles(const UpdatePlan& plan);
  // `services` shows the part's messages: the dialog's own, or with a refusal's reason.
  bool UpdateFirmwarePart(const FirmwarePlan& firmware, DialogServices& services);
  bool UpdateLogicPart(const LogicPlan& logic, DialogServices& services);
  // Takes what a procedure reports into Changes(); a part written holds `written`.
  PartChangeReport RecordChanges(VersionNumber written = 0);
  void StartFirmwareAndClose();
  // The last failed exchange with the probe, for a message box's detail or as the cause of
  // a failure the status line alone reports.
  std::string LinkFailure() const;
  // Shows the message box of a failed step, with the failed exchange as its detail unless it
  // has one; nothing after a stop the user asked for, which is no failure of the probe's.
  void ShowFailure(DialogServices& services, MessageBox failure);
  void NoteLinkFailure(const std::string& step);

  ProbeLink& link_;
  OpenLink openLink_;
  UpdateCatalogue catalogue_;
  DialogControls& controls_;
  DialogServices& services_;
  FirmwareProgress& firmwareProgress_;
  FirmwareWriteMode firmwareMode_ = WindowFirmwareMode(false);
  DialogFields fields_;
  ProbeIdentity identity_;
  NewestNumbers newest_;
  ProbeChanges changes_;
};

}  // namespace kvx
