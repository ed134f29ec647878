#pragma once

#include <string>

#include "link/chosen_port.h"

namespace kvx {

// A port named on the command line, as Windows opens it: COMn (any letter case, n from 1 to
// 255) is \\.\COMn, which reaches COM10 and above too; every other name is a device and stays
// as it is.
ChosenPort ResolveWin32PortName(const std::string& name);

}  // namespace kvx
