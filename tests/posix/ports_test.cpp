// The ports: how a name the user gives becomes the device to open, and which devices are
// serial ports, over a made-up sysfs and /dev tree with the shapes the kernel uses.
#include "link/posix/port_list.h"
#include "link/posix/port_name.h"

#include <stdlib.h>
#include <unistd.h>

#include <filesystem>
#include <fstream>

#include <gtest/gtest.h>

#include "temp_directory.h"

namespace kvx {
namespace {

namespace fs = std::filesystem;

// COMn is looked up in the environment, then in the settings, then is /dev/ttyS<n-1>; an
// empty answer counts as none. Everything else is a device path and stays as it is.
TEST(PortName, ResolvesComNamesAndLeavesPathsAlone) {
  setenv("KVXSETUP_COM3", "/dev/ttyUSB0", 1);
  setenv("KVXSETUP_COM4", "", 1);
  const PortNameLookup settings = [](int comNumber) -> std::optional<std::string> {
    if (comNumber == 1 || comNumber == 3) return "/wrong";  // not to be asked
    if (comNumber == 4) return "/dev/ttyACM0";
    return comNumber == 19 ? std::optional<std::string>("") : std::nullopt;
  };
  const std::pair<const char*, const char*> comNames[] = {
      {"\\\\.\\COM3", "COM3 (/dev/ttyUSB0)"},   // the environment wins
      {"\\\\.\\COM4", "COM4 (/dev/ttyACM0)"},   // empty variable: the settings
      {"\\\\.\\COM19", "COM19 (/dev/ttyS18)"},  // empty setting: the default
      {"com12", "COM12 (/dev/ttyS11)"},        {"COM255", "COM255 (/dev/ttyS254)"},
  };
  for (const auto& [given, described] : comNames) {
    SCOPED_TRACE(given);
    const ChosenPort port = ResolvePortName(given, settings);
    EXPECT_EQ(port.Description(), described);
    // Only a default device earns the hint to set the variable.
    EXPECT_EQ(port.defaultDevice, std::string(described).find("ttyS") != std::string::npos);
  }
  for (const char* path : {"/dev/ttyUSB1", "\\\\.\\COM0", "COM256", "\\\\.\\COM", "COM01", "COM1x",
                           "\\\\?\\COM1", ""}) {
    EXPECT_EQ(ResolvePortName(path, settings).Description(), path);
  }
  // Without settings to ask, COMn goes from the environment straight to the default.
  EXPECT_EQ(ResolvePortName("COM4", {}).Description(), "COM4 (/dev/ttyS3)");
  unsetenv("KVXSETUP_COM3");
  unsetenv("KVXSETUP_COM4");
}

TEST(PortList, ListsRealPortsInNameOrderWithUsbDescriptionsAndStableNames) {
  const test::TempDirectory temp;
  const fs::path root = temp.Path(), sys = root / "sys", dev = root / "dev";
  const auto write = [](const fs::path& file, const char* value) { std::ofstream(file) << value; };
  const auto link = [](const fs::path& from, const fs::path& to) {
    fs::create_directories(from.parent_path());
    fs::create_directories(to);
    fs::create_directory_symlink(to, from);
  };
  // A tty class entry and the device behind it, bound to a driver unless that is empty.
  const auto tty = [&](const char* name, const fs::path& device, const char* driver) {
    link(sys / "class/tty" / name / "device", device);
    if (*driver != '\0') link(device / "driver", sys / "drivers" / driver);
  };
  // A USB adapter, described by its USB device two levels up, with a stable name.
  const fs::path usb = sys / "devices/usb1/1-2";
  tty("ttyUSB0", usb / "1-2:1.0/ttyUSB0", "ftdi_sio");
  for (const auto& [file, value] : {std::pair{"idVendor", "0403"},
                                    {"idProduct", "6001"},
                                    {"manufacturer", "FTDI"},
                                    {"product", "FT232R"},
                                    {"serial", "A502"}})
    write(usb / file, value);
  link(dev / "serial/by-id/usb-FTDI_A502", dev / "ttyUSB0");
  tty("ttyS2", sys / "devices/pnp0/00:03", "serial");
  write(sys / "class/tty/ttyS2/type", "4");
  // Newer kernels put port and controller devices of their own between the tty and the UART.
  const fs::path uart = sys / "devices/pnp0/00:02";
  tty("ttyS10", uart / "00:02:0/00:02:0.0", "");
  link(uart / "driver", sys / "drivers/serial");
  link(uart / "00:02:0/subsystem", sys / "bus/serial-base");
  link(uart / "00:02:0/00:02:0.0/subsystem", sys / "bus/serial-base");
  // Not ports: a legacy slot with no UART behind it, a device with no driver, a virtual terminal.
  tty("ttyS1", sys / "devices/platform/serial8250", "serial8250");
  write(sys / "class/tty/ttyS1/type", "0");
  tty("ttyGS0", sys / "devices/platform/gadget", "");
  fs::create_directories(sys / "class/tty/tty0");

  std::string listed;
  for (const SerialPortInfo& port : ListSerialPorts(sys.string(), dev.string())) {
    listed += port.devicePath.substr(root.string().size()) + " " + port.driver;
    if (port.usb) {
      listed += " " + port.usb->vendorId + ":" + port.usb->productId + " " +
                port.usb->manufacturer + " " + port.usb->product + " " + port.usb->serialNumber;
    }
    for (const std::string& name : port.stableNames)
      listed += " " + name.substr(root.string().size());
    listed += "\n";
  }
  EXPECT_EQ(listed,
            "/dev/ttyS2 serial\n/dev/ttyS10 serial\n"
            "/dev/ttyUSB0 ftdi_sio 0403:6001 FTDI FT232R A502 /dev/serial/by-id/usb-FTDI_A502\n");
  EXPECT_TRUE(ListSerialPorts((root / "nothing").string(), dev.string()).empty());
}

}  // namespace
}  // namespace kvx
