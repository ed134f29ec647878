// The ports: how a name the user gives becomes the device to open, and which devices are
// serial ports, over a made-up sysfs and /dev tree with the shapes the kernel uses.
#include "link/posix/port_list.h"
#include "link/posix/port_name.h"

#include <stdlib.h>
#include <unistd.h>

#include <filesystem>
#include <fstream>
#include <tuple>
#include <vector>

#include <gtest/gtest.h>

#include "temp_directory.h"

namespace kvx {
namespace {

namespace fs = std::filesystem;

SerialPortInfo Port(const char* comName, const char* devicePath, const char* driver) {
  SerialPortInfo port;
  port.comName = comName;
  port.name = fs::path(devicePath).filename().string();
  port.devicePath = devicePath;
  port.driver = driver;
  return port;
}

// COMn is looked up in the environment, then in the settings, then is the n-th port present;
// an empty answer counts as none, and with too few ports present no device stands for it.
// Everything else is a device path and stays as it is.
TEST(PortName, ResolvesComNamesAndLeavesPathsAlone) {
  setenv("KVXSETUP_COM3", "/dev/ttyUSB0", 1);
  setenv("KVXSETUP_COM4", "", 1);
  const PortNameLookup settings = [](int comNumber) -> std::optional<std::string> {
    if (comNumber == 3) return "/wrong";  // not to be asked
    if (comNumber == 4) return "/dev/ttyACM0";
    return comNumber == 2 ? std::optional<std::string>("") : std::nullopt;
  };
  SerialPortInfo adapter = Port("COM1", "/dev/ttyUSB1", "ftdi_sio");
  adapter.usb = UsbDescription{"0403", "6001", "FTDI", "FT232R USB UART", "A5"};
  const SerialPortInfo onBoard = Port("COM2", "/dev/ttyS0", "serial");
  const std::vector<SerialPortInfo> present = {adapter, onBoard};
  // Only a port found by its number earns the hint to set the variable when it goes away.
  const std::tuple<const char*, const char*, const char*, bool> comNames[] = {
      {"\\\\.\\COM3", "COM3 (/dev/ttyUSB0)", "", false},  // the environment wins
      {"\\\\.\\COM4", "COM4 (/dev/ttyACM0)", "", false},  // empty variable: the settings
      {"com2", "COM2 (/dev/ttyS0)", "", true},            // empty setting: the second port present
      {"COM1", "COM1 (/dev/ttyUSB1)", "FT232R USB UART", true},
  };
  for (const auto& [given, described, hardware, byNumber] : comNames) {
    SCOPED_TRACE(given);
    const ChosenPort port = ResolvePortName(given, settings, present);
    EXPECT_EQ(port.Description(), described);
    EXPECT_EQ(port.hardware, hardware);
    EXPECT_EQ(port.defaultDevice, byNumber);
  }
  for (const char* path : {"/dev/ttyUSB1", "\\\\.\\COM0", "COM256", "\\\\.\\COM", "COM01", "COM1x",
                           "\\\\?\\COM1", ""}) {
    EXPECT_EQ(ResolvePortName(path, settings, present).Description(), path);
  }
  const ChosenPort absent = ResolvePortName("COM5", settings, present);
  EXPECT_EQ(absent.devicePath, "");
  EXPECT_EQ(ResolvePortName("COM255", settings, present).absence.substr(0, 20),
            "Cannot open COM255: ");
  EXPECT_EQ(absent.absence,
            "Cannot open COM5: 2 serial ports are present, COM1 (/dev/ttyUSB1), COM2 "
            "(/dev/ttyS0). To use another device as COM5, set KVXSETUP_COM5 to its path.");
  EXPECT_EQ(ResolvePortName("COM1", {}, {}).absence,
            "Cannot open COM1: no serial port is present. Plug in the probe's serial adapter, or "
            "to use a device that is not listed as a serial port, set KVXSETUP_COM1 to its path.");
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
  write(usb / "1-2:1.0/ttyUSB0/latency_timer", "16\n");
  // Another adapter, as far below its USB device as any is looked for: its stable name comes
  // first, whatever the kernel named it.
  const fs::path acm = sys / "devices/usb1/1-3";
  tty("ttyACM7", acm / "1-3:1.0/a/b/c/d/e/tty/ttyACM7", "cdc_acm");
  write(acm / "idVendor", "2341");
  write(acm / "idProduct", "0043");
  link(dev / "serial/by-id/usb-Arduino_85", dev / "ttyACM7");
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
    listed += port.comName + " " + port.devicePath.substr(root.string().size()) + " " + port.driver;
    if (port.usb) {
      listed += " " + port.usb->vendorId + ":" + port.usb->productId + " " +
                port.usb->manufacturer + " " + port.usb->product + " " + port.usb->serialNumber;
    }
    for (const std::string& name : port.stableNames)
      listed += " " + name.substr(root.string().size());
    if (port.latencyTimerMs) listed += " " + std::to_string(*port.latencyTimerMs) + " ms";
    listed += "\n";
  }
  // USB adapters come first, by their stable names, then the on-board ports in name order.
  EXPECT_EQ(listed,
            "COM1 /dev/ttyACM7 cdc_acm 2341:0043    /dev/serial/by-id/usb-Arduino_85\n"
            "COM2 /dev/ttyUSB0 ftdi_sio 0403:6001 FTDI FT232R A502 "
            "/dev/serial/by-id/usb-FTDI_A502 16 ms\n"
            "COM3 /dev/ttyS2 serial\nCOM4 /dev/ttyS10 serial\n");
  EXPECT_TRUE(ListSerialPorts((root / "nothing").string(), dev.string()).empty());
}

// A COMn that the environment names another device for is that device, marked so, and the
// present port it stood for by default keeps no COM name; a named device that is present
// keeps what is known of it.
TEST(PortList, ComNamesTheEnvironmentGivesAreListedAsSetThere) {
  setenv("KVXSETUP_COM1", "/tmp/probe", 1);
  setenv("KVXSETUP_COM12", "/dev/ttyS0", 1);
  std::string listed;
  for (const SerialPortInfo& port : WithConfiguredPorts(
           {Port("COM1", "/dev/ttyUSB0", "ftdi_sio"), Port("COM2", "/dev/ttyS0", "serial")})) {
    listed += port.comName + " " + port.devicePath + " " + port.driver + " " + port.setBy + "\n";
  }
  EXPECT_EQ(listed,
            "COM1 /tmp/probe  KVXSETUP_COM1\n"
            "COM2 /dev/ttyS0 serial \n"
            "COM12 /dev/ttyS0 serial KVXSETUP_COM12\n"
            " /dev/ttyUSB0 ftdi_sio \n");
  unsetenv("KVXSETUP_COM1");
  unsetenv("KVXSETUP_COM12");
}

}  // namespace
}  // namespace kvx
