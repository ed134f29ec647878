#pragma once

#include <functional>

namespace kvx {

// The parts of the probe whose contents the procedures change.
enum class ProbePart { kFirmware, kLogic, kSetupBlock };

// What has become of one part of the probe since Connect.
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

// How a procedure tells its caller what it does to the probe as it does it, so that after a
// failure or a stop the caller knows what the probe is left with without reading the texts
// shown. Procedures report kChanging, kUnconfirmed, kWritten, kErasing and kErased.
using PartChangeReport = std::function<void(ProbePart part, PartChange change)>;

inline void ReportChange(const PartChangeReport& report, ProbePart part, PartChange change) {
  if (report) report(part, change);
}

}  // namespace kvx
