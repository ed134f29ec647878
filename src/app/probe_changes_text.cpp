#include "app/probe_changes_text.h"

#include "ui/messages.h"

namespace kvx {

namespace {

bool Begun(PartChange change) {
  return change != PartChange::kUntouched && change != PartChange::kDue;
}

}  // namespace

std::string UnfinishedChanges(const ProbeChanges& changes) {
  if (changes.firmware == PartChange::kErasing || changes.logic == PartChange::kErasing ||
      changes.setupBlock == PartChange::kErasing) {
    return "the probe is partly erased; run erase again";
  }
  if (changes.firmware == PartChange::kChanging) return kIncompleteFirmwareAdvice;
  if (changes.firmware == PartChange::kUnconfirmed) {
    return "every record went in, but no answer confirmed the image marker: it may or may not "
           "be written; run update again";
  }
  if (changes.logic == PartChange::kChanging) return "the logic is incomplete; run update again";
  if (changes.firmware == PartChange::kWritten && changes.logic == PartChange::kDue) {
    return "the firmware is updated, the logic not; run update again";
  }
  if (changes.setupBlock == PartChange::kChanging) {
    return "the network setup may be incomplete; run transmit again";
  }
  return "";
}

std::string InterruptedReason(const ProbeChanges& changes) {
  const std::string interrupted = kInterruptedText;
  if (const std::string unfinished = UnfinishedChanges(changes); !unfinished.empty()) {
    return interrupted + ": " + unfinished;
  }
  if (!Begun(changes.firmware) && !Begun(changes.logic) && !Begun(changes.setupBlock)) {
    return interrupted + " before the probe was changed";
  }
  return interrupted + " once its changes were complete";
}

}  // namespace kvx
