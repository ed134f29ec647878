#include "link/posix/posix_serial_channel.h"

#include <linux/serial.h>
#include <sys/ioctl.h>
#include <termios.h>

#include <algorithm>
#include <cerrno>
#include <climits>
#include <cstring>
#include <optional>

#include "link/posix/port_opening.h"
#include "link/posix/termios2_record.h"

namespace kvx {

// A point in time on CLOCK_MONOTONIC that a wait must not pass.
class Deadline {
 public:
  Deadline(PosixSystem& system, std::int64_t fromNowMs);

  // Milliseconds left for poll(), rounded up so that a poll never ends before the deadline;
  // 0 once it has passed.
  int RemainingPollMs() const;
  timespec AsTimespec() const;

 private:
  PosixSystem& system_;
  std::int64_t atNs_;
};

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

constexpr std::int64_t kNsPerMs = 1'000'000;
constexpr std::int64_t kNsPerSecond = 1'000'000'000;

struct SpeedEntry {
  std::uint32_t bitsPerSecond;
  speed_t constant;
};

constexpr SpeedEntry kStandardSpeeds[] = {
    {50, B50},           {75, B75},           {110, B110},         {134, B134},
    {150, B150},         {200, B200},         {300, B300},         {600, B600},
    {1200, B1200},       {1800, B1800},       {2400, B2400},       {4800, B4800},
    {9600, B9600},       {19200, B19200},     {38400, B38400},     {57600, B57600},
    {115200, B115200},   {230400, B230400},   {460800, B460800},   {500000, B500000},
    {576000, B576000},   {921600, B921600},   {1000000, B1000000}, {1152000, B1152000},
    {1500000, B1500000}, {2000000, B2000000}, {2500000, B2500000}, {3000000, B3000000},
    {3500000, B3500000}, {4000000, B4000000},
};

// Two percent: half of what two UARTs together may be off before bits are misread.
constexpr std::uint64_t kToleranceDivisor = 50;

// The B constant for a rate that has one.
std::optional<speed_t> StandardSpeed(std::uint32_t bitsPerSecond) {
  for (const SpeedEntry& entry : kStandardSpeeds) {
    if (entry.bitsPerSecond == bitsPerSecond) return entry.constant;
  }
  return std::nullopt;
}

// Whether a port running at `effective` bits per second talks with one at `requested`:
// UART framing tolerates a couple of percent between the two ends.
bool RateIsClose(std::uint32_t requested, std::uint32_t effective) {
  const std::uint64_t difference =
      requested > effective ? requested - effective : effective - requested;
  return difference * kToleranceDivisor <= requested;
}

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

// Sets both directions of the open port `fd` to `bitsPerSecond`: through a B constant where
// one names the rate, otherwise through termios2. The rate counts as taken only when the
// port reads back close to it afterwards, since some drivers quietly fall back to another
// rate; otherwise the previous settings are put back and the answer is false. Rate 0
// (which would hang up the line) is always refused.
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

// Nanoseconds on CLOCK_MONOTONIC, which no clock adjustment moves.
std::int64_t MonotonicNanoseconds(PosixSystem& system) {
  timespec now{};
  if (system.ClockGetTime(now) != 0) return 0;
  return static_cast<std::int64_t>(now.tv_sec) * kNsPerSecond + now.tv_nsec;
}

}  // namespace

Deadline::Deadline(PosixSystem& system, std::int64_t fromNowMs)
    : system_(system), atNs_(MonotonicNanoseconds(system) + fromNowMs * kNsPerMs) {}

int Deadline::RemainingPollMs() const {
  const std::int64_t leftNs = atNs_ - MonotonicNanoseconds(system_);
  if (leftNs <= 0) return 0;
  const std::int64_t leftMs = (leftNs + kNsPerMs - 1) / kNsPerMs;
  return static_cast<int>(std::min<std::int64_t>(leftMs, INT_MAX));
}

timespec Deadline::AsTimespec() const {
  timespec at{};
  at.tv_sec = static_cast<time_t>(atNs_ / kNsPerSecond);
  at.tv_nsec = static_cast<long>(atNs_ % kNsPerSecond);
  return at;
}

PosixSerialChannel::PosixSerialChannel() : PosixSerialChannel(RealPosixSystem()) {}

PosixSerialChannel::PosixSerialChannel(PosixSystem& system) : system_(system) {}

PosixSerialChannel::~PosixSerialChannel() {
  ClosePort();
}

bool PosixSerialChannel::OpenPort(const ChosenPort& port) {
  ClosePort();
  lastError_.clear();
  driverNote_.clear();
  fd_ = OpenPortDevice(system_, port, lastError_);
  if (fd_ < 0) return false;
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

void PosixSerialChannel::ClosePort() {
  inputBegin_ = inputEnd_ = 0;
  failed_ = false;
  if (fd_ < 0) return;
  PutBackLatency();
  ClosePortDevice(system_, fd_);
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
