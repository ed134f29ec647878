#include "link/posix/port_opening.h"

#include <fcntl.h>
#include <sys/file.h>
#include <sys/ioctl.h>
#include <termios.h>

#include <algorithm>
#include <cerrno>
#include <cstring>
#include <vector>

#include "link/posix/port_name.h"

namespace kvx {
namespace {

// Raw 8N1 for the probe: every byte passes unaltered, no echo, no signals, no flow control
// of either kind, modem status lines ignored, receiver on. The rate is left alone.
void MakeRawEightNoneOne(termios& settings) {
  cfmakeraw(&settings);
  settings.c_iflag &= ~static_cast<tcflag_t>(IXON | IXOFF | IXANY | INPCK);
  settings.c_cflag &= ~static_cast<tcflag_t>(CSIZE | PARENB | CSTOPB | CRTSCTS);
  settings.c_cflag |= CS8 | CLOCAL | CREAD;
  // With VMIN 0 an empty non-blocking read returns 0, which we could not tell from a
  // hang-up; with VMIN 1 it fails with EAGAIN. Waiting is done with poll() anyway.
  settings.c_cc[VMIN] = 1;
  settings.c_cc[VTIME] = 0;
}

bool Contains(const std::vector<gid_t>& groups, gid_t group) {
  return std::find(groups.begin(), groups.end(), group) != groups.end();
}

bool GroupMayReadAndWrite(mode_t mode) {
  return (mode & S_IRGRP) != 0 && (mode & S_IWGRP) != 0;
}

// The group's name as the user database has it, or its number.
std::string GroupWord(PosixSystem& system, gid_t group) {
  const auto name = system.GroupName(group);
  return name ? *name : std::to_string(group);
}

std::string AdviceForGroup(PosixSystem& system, const struct stat& device) {
  const std::string group = GroupWord(system, device.st_gid);
  if (!GroupMayReadAndWrite(device.st_mode)) {
    return "Only its owner may read and write it, not its group '" + group +
           "'; its permissions have to be changed.";
  }
  if (Contains(system.ProcessGroups(), device.st_gid)) {
    return "This program already runs as a member of its group '" + group +
           "', so something else denies access (an access control list or security policy).";
  }
  const auto user = system.CurrentUser();
  if (!user) return "It belongs to group '" + group + "'; this program's user must be a member.";
  if (Contains(system.UserGroups(*user), device.st_gid)) {
    return "It belongs to group '" + group + "', and user '" + user->name +
           "' was added to that group after this session began: a fresh login is needed. "
           "Log out and in again.";
  }
  return "It belongs to group '" + group + "', and user '" + user->name +
         "' is not a member. Add the user to that group (for example: sudo usermod -aG " + group +
         " " + user->name + "), then log out and in again.";
}

// What to do about "permission denied" on a port.
std::string DescribePermissionDenied(PosixSystem& system, const ChosenPort& port) {
  std::string text = "Cannot open " + port.Description() + ": permission denied. ";
  struct stat device {};
  if (system.Stat(port.devicePath.c_str(), device) != 0) {
    return text + "Ask the administrator for read and write access to it.";
  }
  return text + AdviceForGroup(system, device);
}

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

// Runs the steps of opening on the open descriptor `fd`, the first failure into `failure`.
class PortPreparation {
 public:
  PortPreparation(PosixSystem& system, const ChosenPort& port, int fd, std::string& failure)
      : system_(system), port_(port), fd_(fd), failure_(failure) {}
  bool Run();

 private:
  bool ClearModemLines();
  bool Fail(PortStep step, int error);

  PosixSystem& system_;
  const ChosenPort& port_;
  int fd_;
  std::string& failure_;
};

bool PortPreparation::Run() {
  if (system_.Flock(fd_, LOCK_EX | LOCK_NB) != 0) return Fail(PortStep::kLock, errno);
  if (system_.Ioctl(fd_, TIOCEXCL, nullptr) != 0) return Fail(PortStep::kExclusive, errno);
  termios settings{};
  if (system_.TcGetAttr(fd_, settings) != 0) return Fail(PortStep::kReadSettings, errno);
  MakeRawEightNoneOne(settings);
  cfsetispeed(&settings, B9600);
  cfsetospeed(&settings, B9600);
  if (system_.TcSetAttr(fd_, TCSANOW, settings) != 0) {
    return Fail(PortStep::kWriteSettings, errno);
  }
  return ClearModemLines();
}

bool PortPreparation::ClearModemLines() {
  int lines = TIOCM_DTR | TIOCM_RTS;
  if (system_.Ioctl(fd_, TIOCMBIC, &lines) == 0) return true;
  const int error = errno;
  // A pseudo-terminal has no modem lines and says so; there is nothing to switch off.
  if (error == ENOTTY || error == EINVAL) return true;
  return Fail(PortStep::kModemLines, error);
}

bool PortPreparation::Fail(PortStep step, int error) {
  failure_ = DescribePortFailure(system_, port_, step, error);
  return false;
}

}  // namespace

int OpenPortDevice(PosixSystem& system, const ChosenPort& port, std::string& failure) {
  const int fd = system.Open(port.devicePath.c_str(), O_RDWR | O_NOCTTY | O_NONBLOCK | O_CLOEXEC);
  if (fd < 0) {
    failure = DescribePortFailure(system, port, PortStep::kOpen, errno);
    return -1;
  }
  if (!PortPreparation(system, port, fd, failure).Run()) {
    ClosePortDevice(system, fd);
    return -1;
  }
  return fd;
}

void ClosePortDevice(PosixSystem& system, int fd) {
  // The mark belongs to the device, not to our descriptor: left set, it outlives the close
  // (a pseudo-terminal or any device whose other end stays open) and keeps every later
  // non-root opener out, ourselves included.
  system.Ioctl(fd, TIOCNXCL, nullptr);
  system.Flock(fd, LOCK_UN);
  system.Close(fd);
}

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
