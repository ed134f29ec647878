#include "link/posix/posix_serial_channel.h"

#include <fcntl.h>
#include <linux/serial.h>
#include <sys/file.h>
#include <sys/ioctl.h>

#include <algorithm>
#include <cerrno>
#include <cstring>

#include "link/posix/line_rate.h"
#include "link/posix/line_settings.h"
#include "link/posix/monotonic_deadline.h"

namespace kvx {
namespace {

// 10 ms for the one byte plus 100 ms, as a byte read is allowed.
constexpr std::int64_t kReadTimeoutMs = 110;
constexpr short kHangUpEvents = POLLHUP | POLLERR | POLLNVAL;

std::int64_t WriteTimeLimitMs(std::size_t n) {
  // Far beyond any block we send; only keeps the arithmetic from overflowing.
  constexpr std::size_t kLargestCountedBlock = std::size_t{1} << 30;
  return static_cast<std::int64_t>(std::min(n, kLargestCountedBlock)) * 10 + 100;
}

bool WouldBlock(int error) {
  return error == EAGAIN || error == EWOULDBLOCK;
}

}  // namespace

PosixSerialChannel::PosixSerialChannel() : PosixSerialChannel(RealPosixSystem()) {}

PosixSerialChannel::PosixSerialChannel(PosixSystem& system) : system_(system) {}

PosixSerialChannel::~PosixSerialChannel() {
  ClosePort();
}

bool PosixSerialChannel::OpenPort(const ChosenPort& port) {
  ClosePort();
  lastError_.clear();
  driverNote_.clear();
  fd_ = system_.Open(port.devicePath.c_str(), O_RDWR | O_NOCTTY | O_NONBLOCK | O_CLOEXEC);
  if (fd_ < 0) return Fail(port, PortStep::kOpen, errno);
  if (!PreparePort(port)) {
    ClosePort();
    return false;
  }
  AskForLowLatency();
  return true;
}

void PosixSerialChannel::AskForLowLatency() {
  serial_struct serial{};
  if (system_.Ioctl(fd_, TIOCGSERIAL, &serial) != 0) {
    driverNote_ = std::string("the driver has no latency setting (") + std::strerror(errno) + ")";
    return;
  }
  constexpr int kLowLatency = static_cast<int>(ASYNC_LOW_LATENCY);
  if ((serial.flags & kLowLatency) != 0) {
    driverNote_ = "the driver's low latency is on already";
    return;
  }
  const int flags = serial.flags;
  serial.flags |= kLowLatency;
  if (system_.Ioctl(fd_, TIOCSSERIAL, &serial) != 0) {
    driverNote_ = std::string("the driver refused low latency (") + std::strerror(errno) + ")";
    return;
  }
  flagsToPutBack_ = flags;
  driverNote_ = "low latency switched on while the port is open";
}

void PosixSerialChannel::PutBackLatency() {
  if (!flagsToPutBack_) return;
  serial_struct serial{};
  if (system_.Ioctl(fd_, TIOCGSERIAL, &serial) == 0) {
    serial.flags = *flagsToPutBack_;
    system_.Ioctl(fd_, TIOCSSERIAL, &serial);
  }
  flagsToPutBack_.reset();
}

bool PosixSerialChannel::PreparePort(const ChosenPort& port) {
  if (system_.Flock(fd_, LOCK_EX | LOCK_NB) != 0) return Fail(port, PortStep::kLock, errno);
  if (system_.Ioctl(fd_, TIOCEXCL, nullptr) != 0) return Fail(port, PortStep::kExclusive, errno);
  termios settings{};
  if (system_.TcGetAttr(fd_, settings) != 0) return Fail(port, PortStep::kReadSettings, errno);
  MakeRawEightNoneOne(settings);
  cfsetispeed(&settings, B9600);
  cfsetospeed(&settings, B9600);
  if (system_.TcSetAttr(fd_, TCSANOW, settings) != 0) {
    return Fail(port, PortStep::kWriteSettings, errno);
  }
  return ClearModemLines(port);
}

bool PosixSerialChannel::ClearModemLines(const ChosenPort& port) {
  int lines = TIOCM_DTR | TIOCM_RTS;
  if (system_.Ioctl(fd_, TIOCMBIC, &lines) == 0) return true;
  const int error = errno;
  // A pseudo-terminal has no modem lines and says so; there is nothing to switch off.
  if (error == ENOTTY || error == EINVAL) return true;
  return Fail(port, PortStep::kModemLines, error);
}

bool PosixSerialChannel::Fail(const ChosenPort& port, PortStep step, int error) {
  lastError_ = DescribePortFailure(system_, port, step, error);
  return false;
}

void PosixSerialChannel::ClosePort() {
  inputBegin_ = inputEnd_ = 0;
  failed_ = false;
  if (fd_ < 0) return;
  PutBackLatency();
  // The mark belongs to the device, not to our descriptor: left set, it outlives the close
  // (a pseudo-terminal or any device whose other end stays open) and keeps every later
  // non-root opener out, ourselves included.
  system_.Ioctl(fd_, TIOCNXCL, nullptr);
  system_.Flock(fd_, LOCK_UN);
  system_.Close(fd_);
  fd_ = -1;
}

bool PosixSerialChannel::ApplyRate(std::uint32_t bitsPerSecond) {
  return fd_ >= 0 && ApplyLineRate(system_, fd_, bitsPerSecond);
}

long PosixSerialChannel::WriteBlock(const std::uint8_t* bytes, std::size_t n) {
  if (fd_ < 0 || failed_) return -1;
  const Deadline deadline(system_, WriteTimeLimitMs(n));
  std::size_t written = 0;
  while (written < n) {
    const ssize_t put = system_.Write(fd_, bytes + written, n - written);
    if (put > 0) {
      written += static_cast<std::size_t>(put);
      continue;
    }
    if (put < 0 && errno == EINTR) continue;
    if (put < 0 && !WouldBlock(errno)) {
      failed_ = true;
      return -1;
    }
    const Readiness room = WaitFor(POLLOUT, deadline);
    if (room == Readiness::kTimedOut) break;
    if (room == Readiness::kFailed) {
      failed_ = true;
      return -1;
    }
  }
  return static_cast<long>(written);
}

PortRead PosixSerialChannel::ReadOne(std::uint8_t& byte) {
  if (TakeBuffered(byte)) return PortRead::kByte;
  if (fd_ < 0 || failed_) return PortRead::kFailed;
  // Once the buffer is empty the next bytes are rarely there yet, so wait before reading:
  // a read first would mostly cost a system call only to learn that nothing has come.
  switch (WaitAndFill()) {
    case Fill::kFilled:
      TakeBuffered(byte);
      return PortRead::kByte;
    case Fill::kEmpty:
      return PortRead::kTimeout;
    case Fill::kFailed:
      break;
  }
  failed_ = true;
  return PortRead::kFailed;
}

bool PosixSerialChannel::TakeBuffered(std::uint8_t& byte) {
  if (inputBegin_ == inputEnd_) return false;
  byte = input_[inputBegin_++];
  return true;
}

PosixSerialChannel::Fill PosixSerialChannel::FillInput() {
  for (;;) {
    const ssize_t got = system_.Read(fd_, input_.data(), input_.size());
    if (got > 0) {
      inputBegin_ = 0;
      inputEnd_ = static_cast<std::size_t>(got);
      return Fill::kFilled;
    }
    if (got < 0 && errno == EINTR) continue;
    if (got < 0 && WouldBlock(errno)) return Fill::kEmpty;
    // 0 is end of file: the device hung up. Any error (EIO above all) means it is gone.
    return Fill::kFailed;
  }
}

PosixSerialChannel::Fill PosixSerialChannel::WaitAndFill() {
  const Deadline deadline(system_, kReadTimeoutMs);
  for (;;) {
    switch (WaitFor(POLLIN, deadline)) {
      case Readiness::kTimedOut:
        return Fill::kEmpty;
      case Readiness::kFailed:
        return Fill::kFailed;
      case Readiness::kReady:
        break;
    }
    const Fill fill = FillInput();
    if (fill != Fill::kEmpty) return fill;
  }
}

PosixSerialChannel::Readiness PosixSerialChannel::WaitFor(short events, const Deadline& deadline) {
  for (;;) {
    const int timeoutMs = deadline.RemainingPollMs();
    if (timeoutMs == 0) return Readiness::kTimedOut;
    pollfd entry{fd_, events, 0};
    const int ready = system_.Poll(&entry, 1, timeoutMs);
    if (ready < 0 && errno == EINTR) continue;
    if (ready < 0) return Readiness::kFailed;
    // Bytes still waiting beside a hang-up are read first; the read then reports the end.
    if ((entry.revents & events) != 0) return Readiness::kReady;
    if ((entry.revents & kHangUpEvents) != 0) return Readiness::kFailed;
  }
}

void PosixSerialChannel::PurgeInput() {
  inputBegin_ = inputEnd_ = 0;
  if (fd_ >= 0) system_.TcFlush(fd_, TCIFLUSH);
}

bool PosixSerialChannel::ClearErrors() {
  return fd_ >= 0 && !failed_;
}

std::uint32_t PosixSerialChannel::TickMs() {
  return static_cast<std::uint32_t>(MonotonicNanoseconds(system_) / 1'000'000);
}

void PosixSerialChannel::SleepMs(std::uint32_t ms) {
  const timespec until = Deadline(system_, ms).AsTimespec();
  while (system_.SleepUntil(until) == EINTR) {
  }
}

}  // namespace kvx
