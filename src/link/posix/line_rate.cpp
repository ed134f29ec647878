#include "link/posix/line_rate.h"

#include "link/posix/line_settings.h"
#include "link/posix/termios2_record.h"

namespace kvx {
namespace {

bool ReadRecord(PosixSystem& system, int fd, Termios2Record& record) {
  return system.Ioctl(fd, Termios2Record::ReadRequest(), record.Data()) == 0;
}

bool WriteRecord(PosixSystem& system, int fd, Termios2Record& record) {
  return system.Ioctl(fd, Termios2Record::WriteRequest(), record.Data()) == 0;
}

bool SetStandardSpeed(PosixSystem& system, int fd, speed_t speed) {
  termios settings{};
  if (system.TcGetAttr(fd, settings) != 0) return false;
  if (cfsetispeed(&settings, speed) != 0 || cfsetospeed(&settings, speed) != 0) return false;
  return system.TcSetAttr(fd, TCSANOW, settings) == 0;
}

bool SetOtherRate(PosixSystem& system, int fd, std::uint32_t bitsPerSecond) {
  Termios2Record record;
  if (!ReadRecord(system, fd, record)) return false;
  record.SetRate(bitsPerSecond);
  return WriteRecord(system, fd, record);
}

bool SetRate(PosixSystem& system, int fd, std::uint32_t bitsPerSecond) {
  if (const auto speed = StandardSpeed(bitsPerSecond)) {
    return SetStandardSpeed(system, fd, *speed);
  }
  return SetOtherRate(system, fd, bitsPerSecond);
}

// termios2 reports the rate in effect as a number whichever way it was set.
bool RateTookEffect(PosixSystem& system, int fd, std::uint32_t bitsPerSecond) {
  Termios2Record record;
  return ReadRecord(system, fd, record) && RateIsClose(bitsPerSecond, record.OutputRate());
}

}  // namespace

bool ApplyLineRate(PosixSystem& system, int fd, std::uint32_t bitsPerSecond) {
  if (bitsPerSecond == 0) return false;
  Termios2Record previous;
  if (!ReadRecord(system, fd, previous)) return false;
  if (SetRate(system, fd, bitsPerSecond) && RateTookEffect(system, fd, bitsPerSecond)) {
    return true;
  }
  WriteRecord(system, fd, previous);
  return false;
}

}  // namespace kvx
