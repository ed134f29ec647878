#pragma once

#include <memory>
#include <optional>
#include <string>
#include <vector>

#include "link/chosen_port.h"
#include "link/serial_channel.h"
#include "os/result.h"

namespace kvx {

// The serial ports of the system the program is built for: its channel, how it names a
// port, and the ports present. Each platform has its own source file.

// What a USB serial adapter says about itself; strings it does not give stay empty.
struct UsbDescription {
  std::string vendorId;   // four hex digits, as the device reports them
  std::string productId;  // four hex digits
  std::string manufacturer;
  std::string product;
  std::string serialNumber;
};

struct SerialPortInfo {
  // The COM name that stands for it, e.g. "COM1"; empty where the configuration gave that
  // name to another device.
  std::string comName;
  std::string name;        // the system's name, e.g. "ttyUSB0"
  std::string devicePath;  // e.g. "/dev/ttyUSB0"
  std::string driver;      // e.g. "ftdi_sio", "cdc_acm", "serial"
  std::optional<UsbDescription> usb;
  std::vector<std::string> stableNames;  // links in /dev/serial/by-id that lead to it
  // A USB adapter's latency timer, which holds short replies this long, where the system tells.
  std::optional<unsigned> latencyTimerMs;
  // Where the configuration names this device for comName ("KVXSETUP_COM3"); empty when
  // comName is the system's own numbering.
  std::string setBy;
};

// A USB adapter's latency timer above this many milliseconds costs the probe's one exchange
// at a time that much on every short reply.
inline constexpr unsigned kMostLatencyTimerMs = 2;

// What a user should know of a port's latency timer, for lists: its value, and on a system
// where the program cannot lower it, how to (empty when nothing is known).
std::string LatencyTimerNote(const SerialPortInfo& port);

// How people name this system's ports, for help texts and examples.
struct PortNaming {
  const char* port;       // "/dev/ttyUSB0", "COM3"
  const char* otherPort;  // "/dev/ttyUSB1", "COM4"
  // A pattern of ports quoted so that the system's usual shells pass it on as it stands:
  // "'/dev/ttyUSB*'", "\"COM*\"" (cmd.exe takes no single quotes).
  const char* quotedPattern;
  const char* directory;  // of update files: "/srv/kvx7000", "C:\\kvx7000"
  // Whether COMn is the n-th serial port present, which KVXSETUP_COMn can set to another
  // device, rather than a port of the system's own that the Device Manager numbers.
  bool comNumbersPortsPresent;
};
const PortNaming& ThisSystemsPortNaming();

// A closed channel of this system's serial port kind.
std::unique_ptr<SerialChannel> MakeSerialChannel();

// The port the user named (COMn or a device), resolved as this system names its ports.
// `configured` is asked for the device of COMn where COMn is not a device of its own.
ChosenPort ChoosePort(const std::string& port, const PortNameLookup& configured = {});

// What each of COM1 to COM<count> stands for on this system, for the Port list.
std::vector<ChosenPort> ChooseComPorts(int count, const PortNameLookup& configured);

// The ports a --port value names: itself, or the devices a shell-style pattern such as
// /dev/ttyUSB* matches, in order. A pattern matching none fails.
Result<std::vector<std::string>> ExpandPortPattern(const std::string& given);

// The serial ports present, and the devices KVXSETUP_COMn names where that means anything, for
// `kvxctl ports`, in the order of the COM names that stand for them.
std::vector<SerialPortInfo> ListPortsPresent();

}  // namespace kvx
