#pragma once

#include <functional>
#include <optional>
#include <string>
#include <utility>

namespace kvx {

// A serial port as the user chose it, resolved once by the front end from a list entry, a
// COMn name or a device path: how to name it to the user, and the device to open. Backends
// open `devicePath` as it stands and never parse a port name.
struct ChosenPort {
  // A device path the user named stands for itself; implicit, since a bare path is a
  // complete choice wherever a port is taken.
  ChosenPort(std::string path)  // NOLINT(google-explicit-constructor)
      : shownName(path), devicePath(std::move(path)) {}
  ChosenPort(std::string shown, std::string device, bool isDefaultDevice)
      : shownName(std::move(shown)),
        devicePath(std::move(device)),
        defaultDevice(isDefaultDevice) {}

  // A choice with no device behind it, and why ("no port is selected"): opening it fails
  // with that reason, without touching any device.
  static ChosenPort Absent(std::string shown, std::string why) {
    ChosenPort port(std::move(shown), {}, false);
    port.absence = std::move(why);
    return port;
  }

  // "COM3 (/dev/ttyUSB0)", or the path alone when the user named the path.
  std::string Description() const {
    if (devicePath.empty() || shownName == devicePath) return shownName;
    return shownName + " (" + devicePath + ")";
  }

  std::string shownName;   // "COM3", or the device path the user gave
  std::string devicePath;  // what the backend opens
  // COMn had no device configured and fell through to the system's default for it, so a
  // missing device earns the hint of how to configure another.
  bool defaultDevice = false;
  std::string absence;   // why no device stands for the choice; empty when one does
  std::string hardware;  // what is known of the device ("FT232R USB UART"), for lists
};

// Finds the device the program's settings name for COMn (n from 1), if any.
using PortNameLookup = std::function<std::optional<std::string>(int comNumber)>;

// The COM number in "COMn" or "\\.\COMn" (any letter case, n from 1 to 255); nothing for any
// other name. Each platform's resolver turns that number into its own device.
std::optional<int> ParseComNumber(const std::string& name);

}  // namespace kvx
