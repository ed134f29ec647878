#pragma once

#include <optional>
#include <string>
#include <vector>

namespace kvx {

// What a USB serial adapter says about itself; strings it does not give stay empty.
struct UsbDescription {
  std::string vendorId;   // four hex digits, as the device reports them
  std::string productId;  // four hex digits
  std::string manufacturer;
  std::string product;
  std::string serialNumber;
};

struct SerialPortInfo {
  std::string name;        // the kernel's name, e.g. "ttyUSB0"
  std::string devicePath;  // e.g. "/dev/ttyUSB0"
  std::string driver;      // e.g. "ftdi_sio", "cdc_acm", "serial"
  std::optional<UsbDescription> usb;
  std::vector<std::string> stableNames;  // links in /dev/serial/by-id that lead to it
};

// Whether `a` comes before `b` with trailing numbers compared as numbers: ttyS2 before ttyS10.
bool NaturalNameOrder(const std::string& a, const std::string& b);

// The serial ports present, in natural name order (ttyS2 before ttyS10), read from
// <sysfsRoot>/class/tty. A tty counts as a port when it has a device behind it with a driver
// bound to that device (or, past the kernel's own "serial-base" port and controller devices,
// to the hardware). A port whose `type` attribute reads 0 is left out: that is how the kernel
// shows a legacy ttyS slot with no UART behind it. Virtual terminals, the console and
// pseudo-terminals have no device and are not listed. Never throws: an unreadable tree gives
// fewer ports.
std::vector<SerialPortInfo> ListSerialPorts(const std::string& sysfsRoot = "/sys",
                                            const std::string& devRoot = "/dev");

}  // namespace kvx
