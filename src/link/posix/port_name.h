#pragma once

#include <functional>
#include <optional>
#include <string>

namespace kvx {

// Finds the device the user configured for COMn (n from 1), if any.
using PortNameLookup = std::function<std::optional<std::string>(int comNumber)>;
// Reads an environment variable.
using EnvironmentReader = std::function<std::optional<std::string>(const char* name)>;

// Where a port name led.
struct ResolvedPort {
  std::string path;                // the device to open
  std::optional<int> comNumber;    // n when the name was COMn
  bool usedDefaultDevice = false;  // COMn fell through to /dev/ttyS<n-1>
};

// The COM number in "COMn" or "\\.\COMn" (any letter case), n from 1 to 255; nothing for any
// other name.
std::optional<int> ParseComNumber(const std::string& name);

// Name of the environment variable that names the device for COMn.
std::string ComEnvironmentVariable(int comNumber);

// The device a port name stands for. COMn is taken from the environment variable
// KVXSETUP_COMn, then from `lookup`, then is /dev/ttyS<n-1>; empty answers count as none.
// Every other name is a device path and stays as it is.
ResolvedPort ResolvePortName(const std::string& name, const EnvironmentReader& environment,
                             const PortNameLookup& lookup);

// How to name the port to the user: "COM3 (/dev/ttyUSB0)" or just the path.
std::string DescribePort(const ResolvedPort& port);

}  // namespace kvx
