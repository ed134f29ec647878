#include "link/posix/port_list.h"

#include <algorithm>
#include <cctype>
#include <filesystem>
#include <fstream>
#include <tuple>

namespace kvx {
namespace {

namespace fs = std::filesystem;

// USB interface and tty directories sit a few levels below the USB device; bound the climb.
constexpr int kMostLevelsUpToUsbDevice = 8;

// The first line of a sysfs attribute, without trailing white space; empty when unreadable.
std::string ReadAttribute(const fs::path& file) {
  std::ifstream in(file);
  std::string line;
  std::getline(in, line);
  while (!line.empty() && std::isspace(static_cast<unsigned char>(line.back()))) line.pop_back();
  return line;
}

std::string LinkTargetName(const fs::path& link) {
  std::error_code error;
  const fs::path target = fs::read_symlink(link, error);
  return error ? std::string() : target.filename().string();
}

bool HasNoUart(const fs::path& ttyDir) {
  std::error_code error;
  return fs::exists(ttyDir / "type", error) && ReadAttribute(ttyDir / "type") == "0";
}

std::optional<UsbDescription> FindUsbDescription(const fs::path& device, const fs::path& root) {
  std::error_code error;
  fs::path dir = device;
  for (int level = 0; level <= kMostLevelsUpToUsbDevice && dir != root && dir.has_relative_path();
       ++level, dir = dir.parent_path()) {
    if (!fs::exists(dir / "idVendor", error)) continue;
    return UsbDescription{ReadAttribute(dir / "idVendor"), ReadAttribute(dir / "idProduct"),
                          ReadAttribute(dir / "manufacturer"), ReadAttribute(dir / "product"),
                          ReadAttribute(dir / "serial")};
  }
  return std::nullopt;
}

// A USB serial adapter's driver (ftdi_sio) shows its latency timer beside the port's device.
std::optional<unsigned> LatencyTimer(const fs::path& device) {
  const std::string text = ReadAttribute(device / "latency_timer");
  constexpr std::size_t kMostDigits = 3;  // the timer holds 1 to 255 ms
  if (text.empty() || text.size() > kMostDigits ||
      !std::all_of(text.begin(), text.end(), [](unsigned char c) { return std::isdigit(c); })) {
    return std::nullopt;
  }
  return static_cast<unsigned>(std::stoul(text));
}

// Newer kernels put a port device and a controller device of the "serial-base" bus between
// the tty and the hardware; their drivers say nothing about the adapter, so look past them.
fs::path HardwareDevice(const fs::path& device) {
  fs::path dir = device;
  constexpr int kSerialBaseLevels = 2;  // the port device, then its controller
  for (int level = 0;
       level < kSerialBaseLevels && LinkTargetName(dir / "subsystem") == "serial-base"; ++level) {
    dir = dir.parent_path();
  }
  return dir;
}

std::optional<SerialPortInfo> DescribeTty(const fs::path& ttyDir, const fs::path& sysfsRoot,
                                          const fs::path& devRoot) {
  // `sysfsRoot` is resolved: the climb to the USB device compares against it.
  std::error_code error;
  const fs::path device = fs::canonical(ttyDir / "device", error);
  if (error || HasNoUart(ttyDir)) return std::nullopt;
  const fs::path hardware = HardwareDevice(device);
  if (!fs::exists(hardware / "driver", error)) return std::nullopt;
  SerialPortInfo port;
  port.name = ttyDir.filename().string();
  port.devicePath = (devRoot / port.name).string();
  port.driver = LinkTargetName(hardware / "driver");
  port.usb = FindUsbDescription(device, sysfsRoot);
  port.latencyTimerMs = LatencyTimer(device);
  return port;
}

// Adds each /dev/serial/by-id link to the port it leads to.
void AttachStableNames(std::vector<SerialPortInfo>& ports, const fs::path& devRoot) {
  std::error_code error;
  for (fs::directory_iterator it(devRoot / "serial" / "by-id", error), end; !error && it != end;
       it.increment(error)) {
    std::error_code unresolved;
    const fs::path target = fs::weakly_canonical(it->path(), unresolved);
    if (unresolved) continue;
    for (SerialPortInfo& port : ports) {
      if (fs::weakly_canonical(port.devicePath, unresolved) == target) {
        port.stableNames.push_back(it->path().string());
      }
    }
  }
  for (SerialPortInfo& port : ports) std::sort(port.stableNames.begin(), port.stableNames.end());
}

}  // namespace

// "ttyS10" -> ("ttyS", 10), so that ttyS2 sorts before ttyS10.
bool NaturalNameOrder(const std::string& a, const std::string& b) {
  const auto key = [](const std::string& name) {
    std::size_t digits = name.size();
    while (digits > 0 && std::isdigit(static_cast<unsigned char>(name[digits - 1]))) --digits;
    const std::string number = name.substr(digits);
    const bool usable = !number.empty() && number.size() < 10;
    return std::tuple<std::string, unsigned long, std::string>(
        name.substr(0, digits), usable ? std::stoul(number) : 0, name);
  };
  return key(a) < key(b);
}

std::vector<SerialPortInfo> ListSerialPorts(const std::string& sysfsRoot,
                                            const std::string& devRoot) {
  std::vector<SerialPortInfo> ports;
  std::error_code error;
  const fs::path root = fs::canonical(sysfsRoot, error);
  for (fs::directory_iterator it(root / "class" / "tty", error), end; !error && it != end;
       it.increment(error)) {
    if (auto port = DescribeTty(it->path(), root, devRoot)) ports.push_back(*port);
  }
  AttachStableNames(ports, devRoot);
  // A USB adapter is known by its stable name where it has one, by its kernel name otherwise.
  const auto key = [](const SerialPortInfo& port) {
    return std::make_pair(
        !port.usb, port.usb && !port.stableNames.empty() ? port.stableNames.front() : port.name);
  };
  std::sort(ports.begin(), ports.end(), [&key](const SerialPortInfo& a, const SerialPortInfo& b) {
    const auto keyA = key(a);
    const auto keyB = key(b);
    if (keyA.first != keyB.first) return keyB.first;
    return NaturalNameOrder(keyA.second, keyB.second);
  });
  for (std::size_t index = 0; index < ports.size(); ++index) {
    ports[index].comName = "COM" + std::to_string(index + 1);
  }
  return ports;
}

}  // namespace kvx
