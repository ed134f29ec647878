#pragma once

#include "app/profile.h"
#include "images/firmware_update.h"

namespace kvx {

// How the window's Update programs the firmware. Record by record is the loader's own
// exchange; with Fast Update, records that continue each other share a request, which a USB
// serial adapter's latency timer hardly slows. Either way the programmed image is read back
// before the image marker is written, and the marker after: the frame checksum cannot tell
// every damaged frame, and a flash cell can fail without the loader noticing.
inline FirmwareWriteMode WindowFirmwareMode(bool fastUpdate) {
  return {fastUpdate, true};
}

// Setup > Fast Update, kept in the profile; off until the user turns it on.
class FastUpdate {
 public:
  explicit FastUpdate(Profile& profile) : profile_(profile) {}

  bool On() const;
  void Toggle();
  FirmwareWriteMode WriteMode() const { return WindowFirmwareMode(On()); }

 private:
  Profile& profile_;
};

}  // namespace kvx
