#include "link/posix/port_failure.h"

#include <cerrno>
#include <cstring>

#include "link/posix/permission_advice.h"
#include "link/posix/port_name.h"

namespace kvx {
namespace {

std::string InUse(const std::string& device) {
  return "Cannot open " + device +
         ": it is in use by another program. Close that program and try again.";
}

std::string NoSuchDevice(const ChosenPort& port, int error) {
  std::string text = "Cannot open " + port.Description() + ": there is no such device";
  if (error != ENOENT) text += " (the name exists, but no serial hardware answers behind it)";
  text += ". Check that the adapter is plugged in and that the port name is right.";
  if (port.defaultDevice) {
    text += " To use another device as " + port.shownName + ", set " +
            ComEnvironmentVariable(port.shownName) + " to its path.";
  }
  return text;
}

bool IsMissingDevice(int error) {
  return error == ENOENT || error == ENODEV || error == ENXIO || error == EIO;
}

bool MeansInUse(PortStep step, int error) {
  if (step == PortStep::kLock) return error == EWOULDBLOCK;
  return error == EBUSY;
}

std::string DescribeOpenFailure(PosixSystem& system, const ChosenPort& port, int error) {
  if (IsMissingDevice(error)) return NoSuchDevice(port, error);
  if (error == EACCES || error == EPERM) return DescribePermissionDenied(system, port);
  return "Cannot open " + port.Description() + ": " + std::strerror(error) + ".";
}

}  // namespace

std::string DescribePortFailure(PosixSystem& system, const ChosenPort& port, PortStep step,
                                int error) {
  const std::string device = port.Description();
  if (MeansInUse(step, error)) return InUse(device);
  if (error == ENOTTY && step != PortStep::kOpen) {
    return "Cannot use " + device + ": it is not a serial port.";
  }
  const std::string reason = std::strerror(error);
  switch (step) {
    case PortStep::kOpen:
      return DescribeOpenFailure(system, port, error);
    case PortStep::kLock:
      return "Cannot lock " + device + " for exclusive use: " + reason + ".";
    case PortStep::kExclusive:
      return "Cannot get exclusive use of " + device + ": " + reason + ".";
    case PortStep::kReadSettings:
      return "Cannot read the line settings of " + device + ": " + reason + ".";
    case PortStep::kWriteSettings:
      return "Cannot set " + device +
             " to 9600 baud, 8 data bits, no parity, 1 stop bit: " + reason + ".";
    case PortStep::kModemLines:
      return "Cannot switch off DTR and RTS on " + device + ": " + reason + ".";
  }
  return "Cannot open " + device + ": " + reason + ".";
}

}  // namespace kvx
