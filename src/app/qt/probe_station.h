#pragma once

#include <filesystem>

#include "app/dialog_controls.h"
#include "images/firmware_update.h"
#include "link/keep_alive_channel.h"
#include "link/posix/port_name.h"
#include "link/posix/posix_serial_channel.h"
#include "link/probe_link.h"

namespace kvx::qt {

// The program's one probe connection, alive as long as the program: the serial port, the
// link state, the firmware progress, where the update files are, and the devices the
// settings name for COM ports.
//
// While a probe operation waits on the port, window-system events other than user input are
// handled, so the window repaints and the desktop sees a live program; whatever the user
// clicks or types meanwhile is dropped by the dialog, not queued.
class ProbeStation {
 public:
  ProbeStation(PortNameLookup configuredPort, std::filesystem::path updateDirectory);
  ProbeStation(const ProbeStation&) = delete;
  ProbeStation& operator=(const ProbeStation&) = delete;

  // Connects on the port and at the speed the dialog's lists select. An index off the Port
  // list selects no port, and nothing is opened for it.
  ErrorCode OpenLink(const DialogFields& fields);

  ProbeLink& Link() { return link_; }
  FirmwareProgress& Progress() { return progress_; }
  const std::filesystem::path& UpdateDirectory() const { return updateDirectory_; }

 private:
  PortNameLookup configuredPort_;
  PosixSerialChannel port_;
  KeepAliveChannel channel_;
  ProbeLink link_;
  FirmwareProgress progress_;
  std::filesystem::path updateDirectory_;
};

}  // namespace kvx::qt
