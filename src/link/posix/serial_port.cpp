#include "link/serial_port.h"

#include <glob.h>

#include <algorithm>

#include "link/posix/port_list.h"
#include "link/posix/port_name.h"
#include "link/posix/posix_serial_channel.h"

namespace kvx {

const PortNaming& ThisSystemsPortNaming() {
  static const PortNaming naming{"/dev/ttyUSB0", "/dev/ttyUSB1", "'/dev/ttyUSB*'", "/srv/kvx7000",
                                 true};
  return naming;
}

std::unique_ptr<SerialChannel> MakeSerialChannel() {
  return std::make_unique<PosixSerialChannel>();
}

// The ports present are listed only for a COM name, the one kind of name they number.
ChosenPort ChoosePort(const std::string& port, const PortNameLookup& configured) {
  if (!ParseComNumber(port)) return ChosenPort(port);
  return ResolvePortName(port, configured, ListSerialPorts());
}

std::vector<ChosenPort> ChooseComPorts(int count, const PortNameLookup& configured) {
  const std::vector<SerialPortInfo> present = ListSerialPorts();
  std::vector<ChosenPort> ports;
  for (int number = 1; number <= count; ++number) {
    ports.push_back(ResolveComPort(number, configured, present));
  }
  return ports;
}

Result<std::vector<std::string>> ExpandPortPattern(const std::string& given) {
  if (given.find_first_of("*?[") == std::string::npos) return std::vector<std::string>{given};
  glob_t found{};
  const int status = glob(given.c_str(), GLOB_ERR, nullptr, &found);
  std::vector<std::string> ports(found.gl_pathv, found.gl_pathv + found.gl_pathc);
  globfree(&found);
  if (status != 0) return Failure{"no port matches '" + given + "'", {}};
  std::sort(ports.begin(), ports.end(), NaturalNameOrder);
  return ports;
}

std::vector<SerialPortInfo> ListPortsPresent() {
  return WithConfiguredPorts(ListSerialPorts());
}

// The driver is asked for low latency while the port is open (a USB adapter's driver then sets
// its timer to its least), so the timer's value is only told.
std::string LatencyTimerNote(const SerialPortInfo& port) {
  if (!port.latencyTimerMs) return "";
  return "latency timer " + std::to_string(*port.latencyTimerMs) + " ms";
}

}  // namespace kvx
