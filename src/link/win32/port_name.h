#pragma once

#include <string>

namespace kvx {

// The device Windows opens for a port name: COMn (any letter case, n from 1 to 255) is
// \\.\COMn, which reaches COM10 and above too; every other name stays as it is.
std::string ResolveWin32PortName(const std::string& name);

// How to name a device to the user: \\.\COMn as COMn, any other device as it is.
std::string DescribeWin32Port(const std::string& device);

}  // namespace kvx
