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

// Opens the port's device for the probe: non-blocking, held exclusively (flock() keeps out
// every other program of ours, root included, TIOCEXCL every other non-root opener until
// closed), raw 8N1 at 9600 baud with DTR and RTS off. Returns the descriptor, or -1 with
// `failure` saying why in words for the user, naming the device and what to do.
int OpenPortDevice(PosixSystem& system, const ChosenPort& port, std::string& failure);

// Gives up the exclusive hold on an open port and closes it.
void ClosePortDevice(PosixSystem& system, int fd);

// Why a port could not be opened, as OpenPortDevice says it. `error` is the errno of the
// failed step. Permission problems consult the device's group and the user's groups through
// `system`: whether the user must join the group, or is in it already and only needs a fresh
// login to take it up.
std::string DescribePortFailure(PosixSystem& system, const ChosenPort& port, PortStep step,
                                int error);

}  // namespace kvx
