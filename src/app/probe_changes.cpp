#include "app/probe_changes.h"

namespace kvx {

ProbeChanges ProbeChanges::AtConnect(const ProbeIdentity& identity) {
  ProbeChanges changes;
  changes.TakeVersions(identity);
  return changes;
}

void ProbeChanges::TakeVersions(const ProbeIdentity& identity) {
  firmwareVersion = identity.firmwareVersion;
  logicVersion = identity.logicVersion;
}

void ProbeChanges::Take(ProbePart part, PartChange change, VersionNumber written) {
  const VersionNumber version = change == PartChange::kWritten ? written : 0;
  const bool keepsVersion = change == PartChange::kDue || change == PartChange::kUntouched;
  switch (part) {
    case ProbePart::kFirmware:
      firmware = change;
      if (!keepsVersion) firmwareVersion = version;
      break;
    case ProbePart::kLogic:
      logic = change;
      if (!keepsVersion) logicVersion = version;
      break;
    case ProbePart::kSetupBlock:
      setupBlock = change;
      break;
  }
}

}  // namespace kvx
