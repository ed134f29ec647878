#pragma once

#include <string>

#include "link/chosen_port.h"
#include "link/posix/posix_system.h"

namespace kvx {

// The steps of opening a port, each of which can fail.
enum class PortStep {
  kOpen,           // open()
  kLock,           // flock(): our guard against a second opener, even under root
  kExclusive,      // TIOCEXCL: keeps other, non-locking programs out
  kReadSettings,   // tcgetattr()
  kWriteSettings,  // tcsetattr() with raw 8N1 at 9600 baud
  kModemLines,     // TIOCMBIC clearing DTR and RTS
};

// Why a port could not be opened, in words for the user, naming the device and what to do.
// `error` is the errno of the failed step. Permission problems consult the device's group
// and the user's groups through `system`.
std::string DescribePortFailure(PosixSystem& system, const ChosenPort& port, PortStep step,
                                int error);

}  // namespace kvx
