#pragma once

#include <string>

#include "link/chosen_port.h"
#include "link/posix/posix_system.h"

namespace kvx {

// What to do about "permission denied" on a port: names the device's group and tells whether
// the user must join it, or is in it already and only needs a fresh login to take it up.
std::string DescribePermissionDenied(PosixSystem& system, const ChosenPort& port);

}  // namespace kvx
