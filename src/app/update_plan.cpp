#include "app/update_plan.h"

#include "images/user_signature.h"

namespace kvx {

namespace {

const std::string kNoProblem;

FirmwarePlan PlanFirmware(const UpdateCatalogue& catalogue, VersionNumber number) {
  FirmwarePlan plan;
  plan.due = true;
  plan.path = catalogue.UpdateFilePath(kFirmwareBaseName, number);
  plan.image = LoadFirmwareImage(plan.path);
  return plan;
}

LogicPlan PlanLogic(const UpdateCatalogue& catalogue, const std::string& serialNumber,
                    VersionNumber number) {
  LogicPlan plan;
  plan.due = true;
  plan.path = catalogue.LogicFilePath(serialNumber, number);
  plan.signature = MakeUserSignatureText(number);
  plan.file = LoadJedecFile(plan.path);
  return plan;
}

}  // namespace

NewestNumbers FindNewestNumbers(const UpdateCatalogue& catalogue) {
  return {catalogue.FindNewestNumber(kFirmwareBaseName),
          catalogue.FindNewestNumber(kLogicBaseName)};
}

bool FirmwareDue(const NewestNumbers& newest, const ProbeIdentity& identity) {
  return newest.firmware != identity.firmwareVersion;
}

bool LogicDue(const NewestNumbers& newest, const ProbeIdentity& identity) {
  return newest.logic != identity.logicVersion;
}

const std::string& UpdatePlan::FirmwareProblem() const {
  return firmware.due ? firmware.image.problem : kNoProblem;
}

const std::string& UpdatePlan::LogicProblem() const {
  return logic.due ? logic.file.problem : kNoProblem;
}

UpdatePlan PlanUpdate(const UpdateCatalogue& catalogue, const ProbeIdentity& identity,
                      const NewestNumbers& newest) {
  UpdatePlan plan;
  if (FirmwareDue(newest, identity)) plan.firmware = PlanFirmware(catalogue, newest.firmware);
  if (LogicDue(newest, identity)) {
    plan.logic = PlanLogic(catalogue, identity.serialNumber, newest.logic);
  }
  return plan;
}

}  // namespace kvx
