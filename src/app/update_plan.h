#pragma once

#include <filesystem>
#include <string>

#include "images/firmware_update.h"
#include "images/jedec_reader.h"
#include "images/update_catalogue.h"
#include "loader/probe_identity.h"
#include "loader/version_number.h"

namespace kvx {

// The newest update file numbers, as the dialog shows them when it opens. The logic number is
// always KVXLOG70's, also for the probes that take the KVXLOG71 file.
struct NewestNumbers {
  VersionNumber firmware = 0;
  VersionNumber logic = 0;
};

NewestNumbers FindNewestNumbers(const UpdateCatalogue& catalogue);

// An image is due when a file of its kind was found and its newest number differs from the
// probe's version: a file older than the probe's image is programmed too, so going back to a
// release works.
bool FirmwareDue(const NewestNumbers& newest, const ProbeIdentity& identity);
bool LogicDue(const NewestNumbers& newest, const ProbeIdentity& identity);

struct FirmwarePlan {
  bool due = false;
  std::filesystem::path path;
  VersionNumber version = 0;  // the probe's firmware version once it holds the image
  FirmwareImage image;        // read and checked only when due
  FirmwareWriteMode mode;     // how it is programmed: the window's way, or kvxctl's choice
};

struct LogicPlan {
  bool due = false;
  std::filesystem::path path;
  VersionNumber version = 0;  // the probe's logic version once it holds the file
  std::string signature;      // the user signature text the device gets
  // Where the signature comes from when a file was named rather than found; empty for the
  // catalogue's files, whose signature always follows the newest number.
  std::string signatureReason;
  JedecFile file;  // read only when due
};

// What an update of a probe will do: the due files, read and checked completely before
// anything is sent, so an update refuses a bad file before it changes the probe and a dry
// run refuses exactly what the update would.
struct UpdatePlan {
  FirmwarePlan firmware;
  LogicPlan logic;
  bool named = false;  // the user named the files: a part not due is one not named

  // Why the due firmware or logic file cannot be used; empty when it can or is not due.
  const std::string& FirmwareProblem() const;
  const std::string& LogicProblem() const;
  bool Passes() const { return FirmwareProblem().empty() && LogicProblem().empty(); }
  // The problem beside the file it is in ("DIR/KVXARMFW.105: line 12 ..."); empty as above.
  std::string FirmwareRefusal() const;
  std::string LogicRefusal() const;
  // Why an update refusing this plan leaves the probe as it was, saying what it still sends:
  // "nothing was sent: FILE: PROBLEM" for the firmware, "nothing was erased or programmed:
  // ..." for the logic; empty when the plan passes.
  std::string NothingSentReason() const;
};

UpdatePlan PlanUpdate(const UpdateCatalogue& catalogue, const ProbeIdentity& identity,
                      const NewestNumbers& newest);

// Files the user named, programmed whatever their names or versions; an empty path leaves
// that part of the probe as it is.
struct NamedUpdateFiles {
  std::filesystem::path firmware;
  std::filesystem::path logic;
  bool Any() const { return !firmware.empty() || !logic.empty(); }
};

UpdatePlan PlanNamedUpdate(const NamedUpdateFiles& files);

// The firmware version the probe reports for an image: its first word behind the marker,
// as the identity reply carries it; 0 when the image has none there.
VersionNumber ImageFirmwareVersion(const FirmwareImage& image);

}  // namespace kvx
