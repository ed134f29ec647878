// A USB adapter's latency timer as its driver keeps it in the registry, read back for the port
// it serves; written under keys of the test's own and removed again.
#include <windows.h>

#include <gtest/gtest.h>

#include <string>

#include "link/serial_port.h"
#include "link/win32/port_list.h"

namespace kvx {
namespace {

constexpr char kFtdiDevice[] = "SYSTEM\\CurrentControlSet\\Enum\\FTDIBUS\\VID_0403+PID_6001+KVXT";
constexpr char kUsbDevice[] = "SYSTEM\\CurrentControlSet\\Enum\\USB\\VID_0403&PID_6015&KVXT";
constexpr char kSerialComm[] = "HARDWARE\\DEVICEMAP\\SERIALCOMM";

// A device instance whose driver serves `port` with its latency timer at `ms`.
void WriteAdapter(const std::string& device, const char* port, DWORD ms) {
  HKEY parameters = nullptr;
  const std::string path = device + "\\0000\\Device Parameters";
  ASSERT_EQ(RegCreateKeyExA(HKEY_LOCAL_MACHINE, path.c_str(), 0, nullptr, REG_OPTION_VOLATILE,
                            KEY_WRITE, nullptr, &parameters, nullptr),
            ERROR_SUCCESS);
  RegSetValueExA(parameters, "PortName", 0, REG_SZ, reinterpret_cast<const BYTE*>(port),
                 static_cast<DWORD>(strlen(port) + 1));
  RegSetValueExA(parameters, "LatencyTimer", 0, REG_DWORD, reinterpret_cast<const BYTE*>(&ms),
                 sizeof ms);
  RegCloseKey(parameters);
}

void ListPort(const char* driverDevice, const char* port) {
  HKEY key = nullptr;
  ASSERT_EQ(RegCreateKeyExA(HKEY_LOCAL_MACHINE, kSerialComm, 0, nullptr, REG_OPTION_VOLATILE,
                            KEY_WRITE, nullptr, &key, nullptr),
            ERROR_SUCCESS);
  RegSetValueExA(key, driverDevice, 0, REG_SZ, reinterpret_cast<const BYTE*>(port),
                 static_cast<DWORD>(strlen(port) + 1));
  RegCloseKey(key);
}

TEST(PortLatency, AnAdaptersTimerIsToldAndOneAboveTwoMillisecondsSaysHowToLowerIt) {
  WriteAdapter(kFtdiDevice, "COM17", 16);
  WriteAdapter(kUsbDevice, "com18", 1);
  ListPort("\\Device\\KvxTest17", "COM17");
  ListPort("\\Device\\KvxTest18", "COM18");

  EXPECT_EQ(Win32LatencyTimer("COM17"), 16u);
  EXPECT_EQ(Win32LatencyTimer("COM18"), 1u);
  EXPECT_EQ(Win32LatencyTimer("COM19"), std::nullopt);
  const std::vector<ChosenPort> ports = ChooseComPorts(19, {});
  EXPECT_EQ(ports[16].hardware,
            "latency timer 16 ms, which slows every reply: set it to 1 in the Device Manager (the "
            "port's Properties, Port Settings, Advanced, Latency Timer)");
  EXPECT_EQ(ports[17].hardware, "latency timer 1 ms");
  EXPECT_EQ(ports[18].hardware, "");

  for (const char* device : {kFtdiDevice, kUsbDevice}) RegDeleteTreeA(HKEY_LOCAL_MACHINE, device);
  HKEY key = nullptr;
  if (RegOpenKeyExA(HKEY_LOCAL_MACHINE, kSerialComm, 0, KEY_WRITE, &key) == ERROR_SUCCESS) {
    RegDeleteValueA(key, "\\Device\\KvxTest17");
    RegDeleteValueA(key, "\\Device\\KvxTest18");
    RegCloseKey(key);
  }
}

}  // namespace
}  // namespace kvx
