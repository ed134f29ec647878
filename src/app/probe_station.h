#pragma once

#include <filesystem>
#include <functional>
#include <memory>
#include <string>
#include <vector>

#include "app/dialog_controls.h"
#include "app/profile.h"
#include "images/firmware_update.h"
#include "link/keep_alive_channel.h"
#include "link/probe_link.h"
#include "link/serial_port.h"

namespace kvx {

// The window's one probe connection, alive as long as the program: the serial port, the link
// state, the firmware progress, where the update files are, how the firmware is programmed,
// and the devices the settings name for COM ports.
//
// While a probe operation waits on the port, `handleWindowEvents` runs every few
// milliseconds: the window system's events other than user input are handled there, so the
// window repaints and the desktop sees a live program.
class ProbeStation {
 public:
  // `updateDirectory` tells where the update files are, and `firmwareMode` how Update programs
  // the firmware (Fast Update or not), each time the dialog opens.
  ProbeStation(PortNameLookup configuredPort,
               std::function<std::filesystem::path()> updateDirectory,
               std::function<FirmwareWriteMode()> firmwareMode,
               std::function<void()> handleWindowEvents);
  ProbeStation(const ProbeStation&) = delete;
  ProbeStation& operator=(const ProbeStation&) = delete;

  // Connects on the port and at the speed the dialog's lists select. An index off the Port
  // list selects no port, and nothing is opened for it.
  ErrorCode OpenLink(const DialogFields& fields);

  // What the dialog's list `listId` holds: for the Port list COM1 to COM19, each with the
  // device it stands for where that is not the COM port itself, and what is known of it
  // ("COM1  /dev/ttyUSB0  FT232R USB UART"); for the other lists the template's entries.
  std::vector<std::string> ListEntries(int listId) const;

  ProbeLink& Link() { return link_; }
  FirmwareProgress& Progress() { return progress_; }
  std::filesystem::path UpdateDirectory() const { return updateDirectory_(); }
  FirmwareWriteMode FirmwareMode() const { return firmwareMode_(); }

 private:
  PortNameLookup configuredPort_;
  std::unique_ptr<SerialChannel> port_;
  KeepAliveChannel channel_;
  ProbeLink link_;
  FirmwareProgress progress_;
  std::function<std::filesystem::path()> updateDirectory_;
  std::function<FirmwareWriteMode()> firmwareMode_;
};

// The devices the profile names for COM ports: key "COMn" of section "Ports".
PortNameLookup ConfiguredPorts(const Profile& profile);

}  // namespace kvx
