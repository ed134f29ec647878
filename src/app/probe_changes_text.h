#pragma once

#include <string>

#include "app/probe_changes.h"
#include "loader/probe_identity.h"

namespace kvx {

// Whether the loader finds no firmware it takes for one, as an interrupted update or an
// erase leaves it.
inline bool FirmwareIncomplete(const ProbeIdentity& identity) {
  return identity.firmwareVersion == 0;
}

// What the run left unfinished in the probe and what to do about it ("the logic is
// incomplete; run update again"); empty when everything it began was completed.
std::string UnfinishedChanges(const ProbeChanges& changes);

// What an interrupted run leaves the probe with: "interrupted: " and the unfinished changes,
// or that nothing or everything was done.
std::string InterruptedReason(const ProbeChanges& changes);

}  // namespace kvx
