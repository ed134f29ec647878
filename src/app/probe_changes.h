#pragma once

#include "loader/version_number.h"

namespace kvx {

// What a run the user stopped says of itself, before what it leaves the probe with.
inline constexpr char kInterruptedText[] = "interrupted";

// What the dialog's actions have done to one part of the probe since Connect.
enum class PartChange {
  kUntouched,    // nothing that changes it was sent
  kDue,          // the update under way will change it, and has not begun to
  kChanging,     // writing it began and did not finish: it may be half written
  kUnconfirmed,  // everything went in but its last request, whose answer or read-back was
                 // lost: it may be complete or not (the firmware's image marker)
  kWritten,      // written and checked (the firmware with its marker, the logic verified, the
                 // setup read back)
  kErasing,      // Erase began on it and did not finish
  kErased,
};

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
};

}  // namespace kvx
