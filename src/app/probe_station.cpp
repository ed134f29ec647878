#include "app/probe_station.h"

#include <string>
#include <utility>

#include "app/probe_connect.h"
#include "app/update_setup_template.h"

namespace kvx {

ProbeStation::ProbeStation(PortNameLookup configuredPort,
                           std::function<std::filesystem::path()> updateDirectory,
                           std::function<FirmwareWriteMode()> firmwareMode,
                           std::function<void()> handleWindowEvents)
    : configuredPort_(std::move(configuredPort)),
      port_(MakeSerialChannel()),
      channel_(*port_, std::move(handleWindowEvents)),
      link_(channel_),
      updateDirectory_(std::move(updateDirectory)),
      firmwareMode_(std::move(firmwareMode)) {}

ErrorCode ProbeStation::OpenLink(const DialogFields& fields) {
  if (fields.portIndex < 0 || fields.portIndex >= kPortListEntries) {
    return OpenProbeLink(link_, ChosenPort::Absent("", "no port is selected"), fields.speedIndex);
  }
  return OpenProbeLink(link_,
                       ChoosePort("COM" + std::to_string(fields.portIndex + 1), configuredPort_),
                       fields.speedIndex);
}

std::vector<std::string> ProbeStation::ListEntries(int listId) const {
  if (listId != kPortListId) return kvx::ListEntries(listId);
  std::vector<std::string> entries;
  for (const ChosenPort& port : ChooseComPorts(kPortListEntries, configuredPort_)) {
    std::string entry = port.shownName;
    // On Windows COMn is its own device, \\.\COMn.
    if (!port.devicePath.empty() && !ParseComNumber(port.devicePath)) {
      entry += "  " + port.devicePath;
    }
    if (!port.hardware.empty()) entry += "  " + port.hardware;
    entries.push_back(entry);
  }
  return entries;
}

PortNameLookup ConfiguredPorts(const Profile& profile) {
  return [&profile](int comNumber) -> std::optional<std::string> {
    std::string device = profile.ReadString("Ports", "COM" + std::to_string(comNumber), {});
    if (device.empty()) return std::nullopt;
    return device;
  };
}

}  // namespace kvx
