#pragma once

#include "loader/part_change.h"
#include "loader/probe_identity.h"
#include "loader/version_number.h"

namespace kvx {

// What the probe holds after the actions so far, as far as this program can know it from
// what it sent: what a failed or interrupted run leaves behind, without guessing from the
// texts shown.
struct ProbeChanges {
  PartChange firmware = PartChange::kUntouched;
  PartChange logic = PartChange::kUntouched;
  PartChange setupBlock = PartChange::kUntouched;
  // The versions the probe holds: as read at Connect, or as written since; 0 when unknown.
  VersionNumber firmwareVersion = 0;
  VersionNumber logicVersion = 0;

  // A probe just connected: nothing changed, the versions it reports.
  static ProbeChanges AtConnect(const ProbeIdentity& identity);
  // The versions the probe reports after an update.
  void TakeVersions(const ProbeIdentity& identity);
  // Takes what has become of `part`. A part written holds `written`; one begun on or erased
  // holds no version this program knows; one due keeps the version it holds.
  void Take(ProbePart part, PartChange change, VersionNumber written = 0);
};

}  // namespace kvx
