// The port list over a made-up sysfs and /dev tree with the shapes the kernel uses.
#include "link/posix/port_list.h"

#include <unistd.h>

#include <filesystem>
#include <fstream>
#include <string>

#include <gtest/gtest.h>

namespace kvx {
namespace {

namespace fs = std::filesystem;

class PortList : public ::testing::Test {
 protected:
  void SetUp() override {
    char pattern[] = "/tmp/kvx-port-list-XXXXXX";
    ASSERT_NE(mkdtemp(pattern), nullptr);
    root_ = pattern;
    sys_ = root_ / "sys";
    dev_ = root_ / "dev";
    fs::create_directories(sys_ / "class" / "tty");
    fs::create_directories(dev_ / "serial" / "by-id");
  }

  void TearDown() override { fs::remove_all(root_); }

  void Attribute(const fs::path& file, const std::string& value) {
    fs::create_directories(file.parent_path());
    std::ofstream(file) << value << "\n";
  }

  void Link(const fs::path& link, const fs::path& target) {
    fs::create_directories(link.parent_path());
    fs::create_directory_symlink(target, link);
  }

  // A device directory under sys/devices, bound to `driver` (none when empty) on `bus`.
  fs::path Device(const std::string& path, const std::string& bus, const std::string& driver) {
    const fs::path dir = sys_ / "devices" / path;
    fs::create_directories(dir);
    fs::create_directories(sys_ / "bus" / bus / "drivers");
    Link(dir / "subsystem", sys_ / "bus" / bus);
    if (!driver.empty()) {
      fs::create_directories(sys_ / "bus" / bus / "drivers" / driver);
      Link(dir / "driver", sys_ / "bus" / bus / "drivers" / driver);
    }
    return dir;
  }

  // A tty class entry; `device` empty for virtual terminals.
  void Tty(const std::string& name, const fs::path& device, const char* type = nullptr) {
    const fs::path dir = sys_ / "class" / "tty" / name;
    fs::create_directories(dir);
    if (!device.empty()) Link(dir / "device", device);
    if (type != nullptr) Attribute(dir / "type", type);
    std::ofstream(dev_ / name).put('\0');
  }

  fs::path root_, sys_, dev_;
};

TEST_F(PortList, ListsRealPortsWithUsbDescriptionsAndStableNames) {
  const fs::path usbDevice = Device("pci0000:00/usb1/1-2", "usb", "usb");
  Attribute(usbDevice / "idVendor", "0403");
  Attribute(usbDevice / "idProduct", "6001");
  Attribute(usbDevice / "manufacturer", "FTDI");
  Attribute(usbDevice / "product", "FT232R USB UART");
  Attribute(usbDevice / "serial", "A50285BI");
  Device("pci0000:00/usb1/1-2/1-2:1.0", "usb", "ftdi_sio");
  Tty("ttyUSB0", Device("pci0000:00/usb1/1-2/1-2:1.0/ttyUSB0", "usb-serial", "ftdi_sio"));
  fs::create_symlink("../../ttyUSB0",
                     dev_ / "serial" / "by-id" / "usb-FTDI_FT232R_USB_UART_A50285BI-if00-port0");

  const fs::path acmDevice = Device("pci0000:00/usb1/1-3", "usb", "usb");
  Attribute(acmDevice / "idVendor", "2341");
  Attribute(acmDevice / "idProduct", "0043");
  Tty("ttyACM0", Device("pci0000:00/usb1/1-3/1-3:1.0", "usb", "cdc_acm"));

  Tty("ttyS0", Device("pnp0/00:01", "pnp", "serial"), "4");
  // Newer kernels: port and controller devices of their own between the tty and the UART.
  Device("pnp0/00:02", "pnp", "serial");
  Device("pnp0/00:02/00:02:0", "serial-base", "ctrl");
  Tty("ttyS10", Device("pnp0/00:02/00:02:0/00:02:0.0", "serial-base", "port"), "4");
  Tty("ttyS2", Device("pnp0/00:03", "pnp", "serial"), "4");
  // Not ports: a legacy slot with no UART, a device without a driver, virtual terminals.
  Tty("ttyS1", Device("platform/serial8250", "platform", "serial8250"), "0");
  Tty("ttyGS0", Device("platform/gadget", "platform", ""));
  Tty("tty0", fs::path());
  Tty("console", fs::path());

  const std::vector<SerialPortInfo> ports = ListSerialPorts(sys_.string(), dev_.string());

  std::vector<std::string> names;
  for (const SerialPortInfo& port : ports) names.push_back(port.name);
  ASSERT_EQ(names, (std::vector<std::string>{"ttyACM0", "ttyS0", "ttyS2", "ttyS10", "ttyUSB0"}));

  const SerialPortInfo& ftdi = ports[4];
  EXPECT_EQ(ftdi.devicePath, (dev_ / "ttyUSB0").string());
  EXPECT_EQ(ftdi.driver, "ftdi_sio");
  ASSERT_TRUE(ftdi.usb.has_value());
  EXPECT_EQ(ftdi.usb->vendorId, "0403");
  EXPECT_EQ(ftdi.usb->productId, "6001");
  EXPECT_EQ(ftdi.usb->manufacturer, "FTDI");
  EXPECT_EQ(ftdi.usb->product, "FT232R USB UART");
  EXPECT_EQ(ftdi.usb->serialNumber, "A50285BI");
  EXPECT_EQ(
      ftdi.stableNames,
      std::vector<std::string>{
          (dev_ / "serial" / "by-id" / "usb-FTDI_FT232R_USB_UART_A50285BI-if00-port0").string()});

  const SerialPortInfo& acm = ports[0];
  EXPECT_EQ(acm.driver, "cdc_acm");
  ASSERT_TRUE(acm.usb.has_value());
  EXPECT_EQ(acm.usb->vendorId, "2341");
  EXPECT_EQ(acm.usb->serialNumber, "");
  EXPECT_TRUE(acm.stableNames.empty());

  EXPECT_EQ(ports[1].driver, "serial");
  EXPECT_FALSE(ports[1].usb.has_value());
  EXPECT_EQ(ports[3].driver, "serial");
}

TEST_F(PortList, MissingTreeGivesNoPorts) {
  EXPECT_TRUE(ListSerialPorts((root_ / "nothing").string(), dev_.string()).empty());
}

}  // namespace
}  // namespace kvx
