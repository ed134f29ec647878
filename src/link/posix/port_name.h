#pragma once

#include <string>
#include <vector>

#include "link/chosen_port.h"
#include "link/serial_port.h"

namespace kvx {

// COMn on this system: the device the environment variable KVXSETUP_COMn names, else the one
// `configured` names, else the n-th of the serial ports `present` (as ListSerialPorts orders
// them). Empty answers count as none. With fewer ports present, no device stands for COMn and
// the choice says so.
ChosenPort ResolveComPort(int comNumber, const PortNameLookup& configured,
                          const std::vector<SerialPortInfo>& present);

// A port named on a command line: COMn or \\.\COMn (any letter case, n from 1 to 255) is
// resolved as above; any other name is a device path and stays as it is.
ChosenPort ResolvePortName(const std::string& name, const PortNameLookup& configured,
                           const std::vector<SerialPortInfo>& present);

// `present` as ListSerialPorts numbers it, and each COMn that the environment variable names a
// device for, marked as set there (with what is known of that device where it is present); a
// present port whose default COMn that takes keeps no COM name. In COM name order, the ports
// without one last.
std::vector<SerialPortInfo> WithConfiguredPorts(std::vector<SerialPortInfo> present);

// The environment variable that names the device for a COM port ("COM3": KVXSETUP_COM3).
std::string ComEnvironmentVariable(const std::string& comName);

}  // namespace kvx
