#include "link/serial_port.h"

#include <cctype>

#include "link/win32/port_list.h"
#include "link/win32/port_name.h"
#include "link/win32/win32_serial_channel.h"

namespace kvx {

const PortNaming& ThisSystemsPortNaming() {
  static const PortNaming naming{"COM3", "COM4", "\"COM*\"", "C:\\kvx7000", false};
  return naming;
}

std::unique_ptr<SerialChannel> MakeSerialChannel() {
  return std::make_unique<Win32SerialChannel>(RealWin32System());
}

// COMn is a port of the system's own here, so no setting names another device for it.
ChosenPort ChoosePort(const std::string& port, const PortNameLookup&) {
  return ResolveWin32PortName(port);
}

// A port whose adapter holds replies too long says so in the Port list, with how to lower it.
std::vector<ChosenPort> ChooseComPorts(int count, const PortNameLookup& configured) {
  const std::vector<SerialPortInfo> present = ListWin32SerialPorts();
  std::vector<ChosenPort> ports;
  for (int number = 1; number <= count; ++number) {
    ChosenPort port = ChoosePort("COM" + std::to_string(number), configured);
    for (const SerialPortInfo& info : present) {
      if (ParseComNumber(info.comName) == number) port.hardware = LatencyTimerNote(info);
    }
    ports.push_back(port);
  }
  return ports;
}

std::string LatencyTimerNote(const SerialPortInfo& port) {
  if (!port.latencyTimerMs) return "";
  std::string note = "latency timer " + std::to_string(*port.latencyTimerMs) + " ms";
  if (*port.latencyTimerMs <= kMostLatencyTimerMs) return note;
  return note + ", which slows every reply: set it to 1 in the Device Manager (the port's " +
         "Properties, Port Settings, Advanced, Latency Timer)";
}

namespace {

// Whether `name` matches `pattern`, where * stands for any run of characters and ? for one.
// Port names are matched as Windows compares them, without regard to case.
bool Matches(const char* pattern, const char* name) {
  if (*pattern == '\0') return *name == '\0';
  if (*pattern == '*')
    return Matches(pattern + 1, name) || (*name != '\0' && Matches(pattern, name + 1));
  const bool same = std::toupper(static_cast<unsigned char>(*pattern)) ==
                    std::toupper(static_cast<unsigned char>(*name));
  return *name != '\0' && (*pattern == '?' || same) && Matches(pattern + 1, name + 1);
}

}  // namespace

// Windows has no device directory to search, so a pattern is matched against the ports present.
// cmd.exe passes single quotes on as they stand, so 'COM*', quoted as on other systems, is
// taken for COM* here.
Result<std::vector<std::string>> ExpandPortPattern(const std::string& typed) {
  const bool singleQuoted = typed.size() >= 2 && typed.front() == '\'' && typed.back() == '\'';
  const std::string given = singleQuoted ? typed.substr(1, typed.size() - 2) : typed;
  if (given.find_first_of("*?") == std::string::npos) return std::vector<std::string>{given};
  std::vector<std::string> ports;
  for (const SerialPortInfo& port : ListPortsPresent()) {
    if (Matches(given.c_str(), port.name.c_str())) ports.push_back(port.name);
  }
  if (ports.empty()) return Failure{"no port present matches '" + given + "'", {}};
  return ports;
}

std::vector<SerialPortInfo> ListPortsPresent() {
  return ListWin32SerialPorts();
}

}  // namespace kvx
